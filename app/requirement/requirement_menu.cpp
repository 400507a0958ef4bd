#include "app/requirement/requirement_menu.h"

#include "app/common/application.h"
#include "app/main_window/form_main.h"
#include "app/requirement/form_requirement.h"
#include "app/requirement/requirement_texts.h"

namespace kelvara::app {

QAction* AddRequirementMenu(TFormMain& form, QMenu& menu, storage::SettingsStore& store) {
  QAction* action = menu.addAction(QString(requirement_text::kMenuRequirement));
  action->setObjectName(QStringLiteral("menuRequirement"));
  QObject::connect(action, &QAction::triggered, &form, [&form, &store] {
    RunGuarded([&] {
      TFormRequirement* window = RequirementWindowOf(form);
      if (!window) window = new TFormRequirement(form, store);
      window->ShowRequirement();
    });
  });
  return action;
}

TFormRequirement* RequirementWindowOf(TFormMain& form) {
  return form.findChild<TFormRequirement*>(QStringLiteral("FormRequirement"), Qt::FindDirectChildrenOnly);
}

}  // namespace kelvara::app
