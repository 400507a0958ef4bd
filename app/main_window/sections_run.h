#pragma once

// The calculation run of a sheet built of sections: its inputs read on the
// user-interface thread, the design (exact, or from the chosen series by
// the exhaustive search with progress and stop) on the run's own thread,
// the parts handed back to the sheet's table or record.

#include "app/main_window/calc_thread.h"

namespace kelvara::app {

class TSectionsRun : public TcalcThread {
  Q_OBJECT

 public:
  using TcalcThread::TcalcThread;

 protected:
  void Execute() override;
};

}  // namespace kelvara::app
