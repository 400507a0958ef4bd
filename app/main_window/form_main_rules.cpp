// The rules that keep the design inputs of a sheet consistent. They never
// show a message: an excluded combination is corrected silently. Every
// change of the design resets the progress bar.

#include <algorithm>

#include "app/main_window/form_main.h"
#include "values/filter_catalogue.h"
#include "values/section_record.h"

namespace kelvara::app {

namespace {
using values::kBessel;
using values::kButterworth;
using values::kChebyshev;
using values::kHpf;
// The lowest order a strict Chebyshev design may have ("４次").
constexpr int kFourthOrder = values::kFirstStrictChebyshevOrderIndex;
}  // namespace

// The table's 0.25 dB Chebyshev has no high-pass of order 2 or 3; every
// other ripple is computed from its poles for every order. A ripple box
// without a selection counts as strict.
bool TFormMain::StrictCondition() const {
  const int ripple = CBox_ripple->currentIndex();
  return ripple < 0 || (CBox_HPFLPF->currentIndex() == kHpf && ripple == values::kTabulatedRippleIndex);
}

// A Linkwitz-Riley filter has even orders only: choosing it at an odd order
// raises the order by one ("３次" becomes "４次"); choosing an odd order
// while it is selected falls back to Butterworth, as the Chebyshev rules do.
bool TFormMain::OddOrderExcluded() const {
  return values::EvenOrdersOnly(CBox_gensui->currentIndex()) &&
         (CBox_Jisuu->currentIndex() + values::kMinOrder) % 2 != 0;
}

void TFormMain::ShowPartGroups(int newOrderIndex, int lastOrderIndex) {
  // Groups the previous order did not use start empty; the others keep
  // their values. Groups 1 and 2 are always shown.
  for (int k = std::max(2, lastOrderIndex + 2); k < kPartCount; ++k) {
    groupR[k].valueEdit->setText(QString());
    groupC[k].valueEdit->setText(QString());
  }
  for (int k = 2; k < kPartCount; ++k) {
    const bool used = k <= newOrderIndex + 1;
    groupR[k].box->setVisible(used);
    groupC[k].box->setVisible(used);
  }
}

void TFormMain::EnableRippleControls(int responseIndex) {
  const bool chebyshev = values::HasRipple(responseIndex);
  CBox_ripple->setEnabled(chebyshev);
  Label_ripple->setEnabled(chebyshev);
  // The box is as narrow as the table's names need: a longer name shows
  // elided, so it is told in full when the pointer rests on it.
  const bool computed = responseIndex >= values::kTabulatedResponseCount && responseIndex < values::kResponseCount;
  CBox_gensui->setToolTip(computed ? QString::fromUtf8(values::kResponseNames[responseIndex]) : QString());
}

void TFormMain::RejectBesselForHpf(int responseIndex) {
  if (responseIndex == kBessel && CBox_HPFLPF->currentIndex() == kHpf) CBox_gensui->setCurrentIndex(kButterworth);
}

void TFormMain::DisableDesignInputs() { SetDesignInputsEnabled(false); }

void TFormMain::EnableDesignInputs() { SetDesignInputsEnabled(true); }

// The ripple choice, the tabs and the buttons are not design inputs: the
// ripple follows the response type, the run governs the others.
void TFormMain::SetDesignInputsEnabled(bool enabled) {
  for (QWidget* widget :
       {static_cast<QWidget*>(CBox_HPFLPF), static_cast<QWidget*>(Edit_Frequency), static_cast<QWidget*>(CBox_Circuit),
        static_cast<QWidget*>(CBox_Jisuu), static_cast<QWidget*>(CBox_gensui), static_cast<QWidget*>(GBox_E12)}) {
    widget->setEnabled(enabled);
  }
  for (int k = 0; k < kPartCount; ++k) {
    groupR[k].box->setEnabled(enabled);
    groupC[k].box->setEnabled(enabled);
  }
  // A band-pass sheet's circuit is MFB, whatever the run does.
  if (CBox_HPFLPF->currentIndex() == values::kPassKindBpf) CBox_Circuit->setEnabled(false);
  PanelSections->setEnabled(enabled);
}

// A band-pass filter has an even order, a Linkwitz-Riley one that of an
// even prototype (４次 or ８次): an order that is not is raised to the next
// that is; its circuit is MFB.
void TFormMain::KeepBandPassChoices() {
  if (CBox_HPFLPF->currentIndex() != values::kPassKindBpf) return;
  CBox_Circuit->setCurrentIndex(values::kCircuitMfb);
  int order = CBox_Jisuu->currentIndex() + values::kMinOrder;
  if (order % 2 != 0) ++order;
  if (values::EvenOrdersOnly(CBox_gensui->currentIndex()) && (order / 2) % 2 != 0) order += 2;
  if (order > values::kMaxOrder) order = values::kMaxOrder;
  if (order - values::kMinOrder != CBox_Jisuu->currentIndex()) {
    CBox_Jisuu->setCurrentIndex(order - values::kMinOrder);
    ShowPartGroups(CBox_Jisuu->currentIndex(), lastOrderIndex);
  }
}

void TFormMain::AfterLoadSequence() {
  const int order = CBox_Jisuu->currentIndex();
  lastOrderIndex = static_cast<std::int8_t>(order);
  ShowPartGroups(order, order);
  EnableRippleControls(CBox_gensui->currentIndex());
  ShowCircuitPicture(CBox_HPFLPF->currentIndex(), order);
}

void TFormMain::CBox_HPFLPFChange() {
  const int kind = CBox_HPFLPF->currentIndex();
  const int order = CBox_Jisuu->currentIndex();
  if (kind == kHpf && CBox_gensui->currentIndex() == kBessel) CBox_gensui->setCurrentIndex(kButterworth);
  if (order < kFourthOrder && StrictCondition() && CBox_gensui->currentIndex() == kChebyshev) {
    CBox_gensui->setCurrentIndex(kButterworth);
    EnableRippleControls(kButterworth);
  }
  KeepBandPassChoices();
  ShowCircuitPicture(kind, CBox_Jisuu->currentIndex());
  PBar->setValue(0);
}

void TFormMain::CBox_JisuuChange() {
  const int order = CBox_Jisuu->currentIndex();
  if (order < kFourthOrder && StrictCondition() && CBox_gensui->currentIndex() == kChebyshev) {
    CBox_gensui->setCurrentIndex(kButterworth);
    EnableRippleControls(kButterworth);
  }
  if (OddOrderExcluded()) {
    CBox_gensui->setCurrentIndex(kButterworth);
    EnableRippleControls(kButterworth);
  }
  ShowPartGroups(order, lastOrderIndex);
  KeepBandPassChoices();
  ShowCircuitPicture(CBox_HPFLPF->currentIndex(), CBox_Jisuu->currentIndex());
  PBar->setValue(0);
}

void TFormMain::CBox_JisuuExit() { lastOrderIndex = static_cast<std::int8_t>(CBox_Jisuu->currentIndex()); }

void TFormMain::CBox_gensuiChange() {
  const int response = CBox_gensui->currentIndex();
  EnableRippleControls(response);
  RejectBesselForHpf(response);
  if (CBox_gensui->currentIndex() == kChebyshev && StrictCondition() && CBox_Jisuu->currentIndex() < kFourthOrder) {
    CBox_Jisuu->setCurrentIndex(kFourthOrder);
    ShowPartGroups(kFourthOrder, lastOrderIndex);
  }
  if (OddOrderExcluded()) {
    const int even = CBox_Jisuu->currentIndex() + 1;
    CBox_Jisuu->setCurrentIndex(even);
    ShowPartGroups(even, lastOrderIndex);
  }
  KeepBandPassChoices();
  ShowCircuitPicture(CBox_HPFLPF->currentIndex(), CBox_Jisuu->currentIndex());
  PBar->setValue(0);
}

void TFormMain::CBox_rippleChange() {
  if (CBox_gensui->currentIndex() == kChebyshev && StrictCondition() && CBox_Jisuu->currentIndex() < kFourthOrder) {
    CBox_Jisuu->setCurrentIndex(kFourthOrder);
    ShowPartGroups(kFourthOrder, lastOrderIndex);
    ShowCircuitPicture(CBox_HPFLPF->currentIndex(), kFourthOrder);
  }
  PBar->setValue(0);
}

void TFormMain::CBox_CircuitChange() {
  ShowCircuitPicture(CBox_HPFLPF->currentIndex(), CBox_Jisuu->currentIndex());
  PBar->setValue(0);
}
void TFormMain::Edit_FrequencyChange() { PBar->setValue(0); }
void TFormMain::Change_EditValset() { PBar->setValue(0); }

void TFormMain::SetAnyValuesState(bool anyValues) {
  chkBoxE12[0]->setChecked(!anyValues);
  chkBoxE12[1]->setChecked(!anyValues);
  CBox_NoProblem->setChecked(anyValues);
}

// A click on any of the three boxes moves the switch to its other state.
void TFormMain::OnClick_chkBoxE12() { SetAnyValuesState(!CBox_NoProblem->isChecked()); }

void TFormMain::CBox_NoProblemClick() { SetAnyValuesState(CBox_NoProblem->isChecked()); }

}  // namespace kelvara::app
