#pragma once

// The whole of kelvara-design as a function, so that the program's main()
// and the argument fuzzer run the same code: reads the arguments, designs,
// prints to std::cout and std::cerr, writes the files asked for and returns
// the exit status.

namespace kelvara::tools {

int DesignerMain(int argc, char** argv);

}  // namespace kelvara::tools
