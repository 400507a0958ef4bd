// The noise and signal-level views of the analysis window: the shown
// design with the op-amp of the panel (its noise, limits and temperature
// included), computed by response::ComputeNoiseViews on every refresh, and
// the op-amp panel's noise fields and list kept in the settings store.

#include "app/analysis/analysis_texts.h"
#include "app/analysis/form_analysis.h"
#include "app/analysis/noise_view_texts.h"
#include "storage/later_settings.h"
#include "storage/noise_settings.h"

namespace kelvara::app {

void TFormAnalysis::BuildNoisePages() {
  noisePage_ = new NoisePage(views_);
  levelsPage_ = new LevelsPage(views_);
  views_->addTab(noisePage_, QString::fromUtf8(noise_text::kTabNoise));
  views_->addTab(levelsPage_, QString::fromUtf8(noise_text::kTabLevels));
  OpAmpNoiseFields* fields = opAmp_->Noise();
  fields->SetUserEntries(storage::LoadUserOpAmps(store_));
  connect(fields, &OpAmpNoiseFields::UserEntriesChanged, this,
          [this] { storage::SaveUserOpAmps(store_, opAmp_->Noise()->UserEntries()); });
}

void TFormAnalysis::RestoreNoise() {
  opAmp_->Noise()->SetTexts(NoiseTextsOf(storage::LoadNoiseTexts(store_)));
  opAmp_->Noise()->SetSupply(storage::LoadSupply(store_));
  opAmp_->Noise()->SetUserEntries(storage::LoadUserOpAmps(store_));
}

void TFormAnalysis::RememberNoise() {
  storage::SaveNoiseTexts(store_, StoredNoiseTexts(opAmp_->Noise()->Texts()));
  storage::SaveSupply(store_, opAmp_->Noise()->Supply());
}

void TFormAnalysis::DrawNoise(const engine::ComponentSet* parts, const QColor& color) {
  noise_.reset();
  const std::optional<response::OpAmpModel> model = opAmp_->NoisyModel();
  QString message;
  if (!parts) {
    message = QString::fromUtf8(noise_text::kNoNoiseDesign);
  } else if (!opAmp_->Model()) {
    message = opAmp_->Message();
  } else if (!model) {
    message = opAmp_->Noise()->Message();
  } else {
    noise_ = response::ComputeNoiseViews(shownRequest_, *parts, *model, opAmp_->TemperatureC(), fStart_, fTop_);
  }
  noisePage_->Show(noise_ ? &*noise_ : nullptr, color, fStart_, fTop_, message);
  levelsPage_->Show(noise_ ? &*noise_ : nullptr, color, fStart_, fTop_, message);
}

}  // namespace kelvara::app
