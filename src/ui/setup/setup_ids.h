#pragma once
// Identifiers of the controls of the Scan Setup, Output Format and Operation
// Timer windows. Each window has its own identifier space; the rows that
// repeat (value rows, filter-bank rows, timer programs) are numbered from a
// base so that their code can loop over them.
namespace quilve::ui {

namespace setup_ids {
// The five value rows with their "<<" / ">>" buttons, top to bottom.
enum ValueRow : int { kTrigger = 0, kMinFreq, kMaxFreq, kPeakPower, kMinDuration };
constexpr int kValueRowCount = 5;
constexpr int valueLabel(int row) { return 601 + 10 * row; }
constexpr int valueField(int row) { return 602 + 10 * row; }
constexpr int valueUnit(int row) { return 603 + 10 * row; }
constexpr int valueDown(int row) { return 604 + 10 * row; }
constexpr int valueUp(int row) { return 605 + 10 * row; }

constexpr int kViewLabel = 651;
constexpr int kViewSlider = 652;
constexpr int kViewSpan = 653;

constexpr int kFitLabel = 660;
constexpr int kFitOffBox = 661;
constexpr int kFitHighBox = 662;
constexpr int kFitStdBox = 663;
constexpr int kFitLowBox = 664;
constexpr int kPopLabel = 665;
constexpr int kPopOffBox = 666;
constexpr int kPopOnBox = 667;
constexpr int kClutterLabel = 668;
constexpr int kClutterOffBox = 669;
constexpr int kClutterOnBox = 670;

constexpr int kFilterBankLabel = 671;
constexpr int kFilterMinCaption = 672;
constexpr int kFilterMaxCaption = 673;
// The six filter-bank rows, top to bottom.
enum FilterRow : int { kDomFreq = 0, kEndFreq, kCharFreq, kCharSlope, kUpperSlope, kCurvature };
constexpr int kFilterRowCount = 6;
constexpr int filterCheck(int row) { return 680 + 4 * row; }
constexpr int filterMin(int row) { return 681 + 4 * row; }
constexpr int filterMax(int row) { return 682 + 4 * row; }
constexpr int filterUnit(int row) { return 683 + 4 * row; }

constexpr int kLoadSettings = 710;
constexpr int kSaveSettings = 711;
}  // namespace setup_ids

namespace format_ids {
constexpr int kSelectionLabel = 801;
constexpr int kAnalook = 802;
constexpr int kEchoclass = 803;
constexpr int kSonoBat2 = 804;
constexpr int kQuilve = 805;
constexpr int kZcd = 806;
constexpr int kAllowFileCombining = 807;
constexpr int kOptionsLabel = 808;
constexpr int kSoundPressureLevel = 809;
constexpr int kCurvature = 810;
constexpr int kCurveFitError = 811;
constexpr int kGpsCoordinates = 812;
}  // namespace format_ids

namespace timer_ids {
constexpr int kCurrentTimeLabel = 901;
constexpr int kCurrentTime = 902;
constexpr int kTimeStandard = 903;
constexpr int kStatusLabel = 904;
constexpr int kStatus = 905;
constexpr int kActivationLabel = 906;
constexpr int kRunAt = 907;
constexpr int kStartTime = 908;
constexpr int kRunEvery = 909;
constexpr int kInterval = 910;
constexpr int kMinutesLabel = 911;
constexpr int kScanCaption = 912;
constexpr int kInputCaption = 913;
constexpr int kOutputCaption = 914;
constexpr int kArchiveCaption = 915;
// Program n = 1..4.
constexpr int programEnable(int n) { return 920 + 10 * n; }
constexpr int programInput(int n) { return 921 + 10 * n; }
constexpr int programInputLabel(int n) { return 922 + 10 * n; }
constexpr int programOutput(int n) { return 923 + 10 * n; }
constexpr int programOutputLabel(int n) { return 924 + 10 * n; }
constexpr int programArchive(int n) { return 925 + 10 * n; }
constexpr int programArchiveLabel(int n) { return 926 + 10 * n; }
}  // namespace timer_ids

}  // namespace quilve::ui
