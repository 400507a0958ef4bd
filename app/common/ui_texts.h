#pragma once

// The captions, items and messages the window shows, in one place so that
// every byte (full-width letters, blanks, punctuation) is kept exactly.

#include <array>

#include "values/filter_catalogue.h"

namespace kelvara::app::text {

inline constexpr const char* kApplicationTitle = "Kelvara";
inline constexpr const char* kMainCaption = "Kelvara 2";

inline constexpr std::array<const char*, 8> kSheetTabs = {"Sheet １", "Sheet ２", "Sheet ３", "Sheet ４",
                                                          "Sheet ５", "Sheet ６", "Sheet ７", "Sheet ８"};
// The comparison rows use an ASCII digit after one blank.
inline constexpr std::array<const char*, 8> kSheetChecks = {"Sheet 1", "Sheet 2", "Sheet 3", "Sheet 4",
                                                            "Sheet 5", "Sheet 6", "Sheet 7", "Sheet 8"};

inline constexpr const char* kPassKindCaption = "通過特性";
inline constexpr auto kPassKinds = values::kPassKindNames;
inline constexpr const char* kCutoffCaption = "カットオフ周波数";
inline constexpr const char* kHz = "Hz";
inline constexpr const char* kCutoffHint = "1000=1k, 1000k=1M, 1000M=1G";
inline constexpr const char* kCircuitCaption = "回路方式";
inline constexpr const char* kCircuitSallenKey = "サレン・キー（VCVS）";
inline constexpr const char* kOrderCaption = "次数";
inline constexpr auto kOrders = values::kOrderNames;
inline constexpr const char* kResponseCaption = "減衰特性";
inline constexpr auto kResponses = values::kResponseNames;
inline constexpr const char* kRippleCaption = "リプル";
/// The ripple list: 0.25 dB first (what a sheet stores by default), then
/// the computed ripples in ascending order.
inline constexpr auto kRipples = values::kRippleNames;
inline constexpr const char* kConstantsCaption = "定数";
inline constexpr std::array<const char*, 2> kSeriesChecks = {"ＣはE12系列", "ＲはE24系列"};
inline constexpr const char* kDesignWith = "で設計";
inline constexpr const char* kAnyValues = "問わない";
inline constexpr const char* kValset = "定数設定";
inline constexpr const char* kStop = "設定中止";
inline constexpr const char* kFreq = "ｆ特描画";
inline constexpr const char* kCompareTitle = "周波数特性の比較";
inline constexpr const char* kCutoff3dB = "-3dBの周波数";
inline constexpr const char* kFreq8 = "ｆ特比較";
inline constexpr const char* kPageCircuit = "回路";
inline constexpr const char* kPageResponse = "ｆ特";
inline constexpr const char* kYMax = "Y軸最大値";
inline constexpr const char* kYMin = "Y軸最小値";
inline constexpr const char* kXMax = "X軸最大値";
inline constexpr const char* kXMin = "X軸最小値";
inline constexpr std::array<const char*, 3> kYBigItems = {"10", "5", "0"};
inline constexpr std::array<const char*, 5> kYSmallItems = {"0", "-5", "-10", "-20", "-40"};
inline constexpr std::array<const char*, 13> kXBigItems = {"100G", "10G", "1G",  "100M", "10M", "1M", "100k",
                                                           "10k",  "1k",  "100", "10",   "1",   "0.1"};
inline constexpr std::array<const char*, 13> kXSmallItems = {"10G", "1G",  "100M", "10M", "1M",  "100k", "10k",
                                                             "1k",  "100", "10",   "1",   "0.1", "0.01"};
inline constexpr const char* kOhm = "Ω";
inline constexpr const char* kFarad = "F";
inline constexpr const char* kAuto = "auto";
inline constexpr const char* kFix = "fix";

inline constexpr const char* kMenuFile = "ファイル(&F)";
inline constexpr const char* kMenuOpen = "開く(&O)";
inline constexpr const char* kMenuOpenAll = "全てのシートを開く";
inline constexpr const char* kMenuSave = "保存(&S)";
inline constexpr const char* kMenuSaveAll = "全てのシートを保存";
inline constexpr const char* kMenuExport = "書き出し";
inline constexpr const char* kMenuExportSpice = "SPICE ネットリスト...";
inline constexpr const char* kMenuExportPartsList = "部品表 (CSV)...";
inline constexpr const char* kMenuExportReport = "設計レポート (PDF)...";
inline constexpr const char* kMenuPrint = "印刷...";
inline constexpr const char* kMenuHelp = "ヘルプ(&H)";
inline constexpr const char* kMenuSettings = "設定(&O)";
inline constexpr const char* kMenuSeriesOptions = "部品系列の設定...";
inline constexpr const char* kMenuManual = "取扱説明書";
inline constexpr const char* kMenuVersion = "バージョン情報";
// After the specified items: the file menu's last item, and the message
// when the manual's page is there but no viewer would open it.
inline constexpr const char* kMenuExit = "終了(&X)";
inline constexpr const char* kManualNotOpenedCaption = "取扱説明書";
inline constexpr const char* kManualNotOpened =
    "取扱説明書を表示できるアプリケーションが見つかりませんでした。次のファイルをブラウザで開いて下さい。\n%1";
inline constexpr const char* kPopupColor = "色の設定";

inline constexpr const char* kMincho = "ＭＳ Ｐ明朝";
inline constexpr const char* kGothic = "ＭＳ Ｐゴシック";

inline constexpr const char* kPictDir = "pict/";
inline constexpr const char* kManualDir = "HowToUse/";
inline constexpr const char* kManualPage = "Vornix_HowToUse_Top.html";
/// %1 is the full path of the picture.
inline constexpr const char* kCannotOpenFile = "ファイル %1 は開けません";
/// %1 the path, %2 the decoder's reason.
inline constexpr const char* kNotAJpeg = "ファイル %1 はJPEG画像として読めません（%2）";

// Disclaimer dialog.
inline constexpr const char* kMensekiCaption = "免責事項";
inline constexpr std::array<const char*, 3> kMensekiLines = {
    "このソフトウェアの使用、および不使用により直接・間接的",
    "に生じたいかなる損害に対しても補償・賠償は行いませんので、",
    "あらかじめご了承頂けます様よろしくお願い申し上げます。"};
inline constexpr const char* kMensekiOk = "確認";

// Version dialog.
inline constexpr const char* kAboutCaption = "バージョン情報";
inline constexpr const char* kProductName = "Kelvara";
inline constexpr const char* kVersion = "Version 2.0";
inline constexpr const char* kCopyright = "Copyright (C) 2024 Kelvara開発チーム";
inline constexpr const char* kComments = "コメント";
inline constexpr const char* kOk = "OK";

// Errors of a sheet record that cannot be applied to the controls.
/// %1 the line number (from 0).
inline constexpr const char* kRecordLineMissing = "シートの記録に %1 行目がありません。";
/// %1 the line number, %2 its text.
inline constexpr const char* kRecordNotInteger = "シートの記録の %1 行目 '%2' は整数ではありません。";
/// %1 the line number, %2 its value, %3 the largest index of the list.
inline constexpr const char* kRecordIndexOutOfRange =
    "シートの記録の %1 行目 '%2' は項目番号の範囲（0～%3）を外れています。";

}  // namespace kelvara::app::text
