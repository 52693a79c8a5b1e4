#pragma once
// Identifiers of the controls and menu items of the main, Scan Results,
// Progress, About and Trace windows. Each window has its own identifier
// space; the setup and timer windows keep theirs beside their code.
namespace quilve::ui {

namespace main_ids {
// Controls of the left column.
constexpr int kSelectOutput = 101;
constexpr int kOutputField = 102;
constexpr int kSelectInput = 103;
constexpr int kInputList = 104;
constexpr int kCommentLabel = 105;
constexpr int kComment = 106;
constexpr int kBrightnessLabel = 107;
constexpr int kBrightness = 108;
constexpr int kContrastLabel = 109;
constexpr int kContrast = 110;

// Main menu items.
constexpr int kMenuSelectInput = 1001;
constexpr int kMenuSelectOutput = 1002;
constexpr int kMenuExit = 1003;
constexpr int kMenuUtc = 1011;
constexpr int kMenuLocal = 1012;
constexpr int kMenuSetupScanSetup = 1013;
constexpr int kMenuSetupScanResults = 1014;
constexpr int kMenuSetupOutputFormat = 1015;
constexpr int kMenuExpansion1 = 1021;
constexpr int kMenuExpansion10 = 1022;
constexpr int kMenuScan = 1031;
constexpr int kMenuScanAll = 1032;
constexpr int kMenuStop = 1033;
constexpr int kMenuWindowScanSetup = 1041;
constexpr int kMenuWindowScanResults = 1042;
constexpr int kMenuWindowOutputFormat = 1043;
constexpr int kMenuWindowTimer = 1044;
constexpr int kMenuWindowTrace = 1045;
constexpr int kMenuAbout = 1051;
}  // namespace main_ids

namespace results_ids {
constexpr int kCriteriaLabel = 201;
constexpr int kCriteria = 202;
constexpr int kCriteriaUnit = 203;
constexpr int kFilesSelectedLabel = 204;
constexpr int kFilesSelected = 205;
constexpr int kTotalChirpsLabel = 206;
constexpr int kTotalChirps = 207;
constexpr int kBatPassesLabel = 208;
constexpr int kBatPasses = 209;
constexpr int kPassedList = 210;
constexpr int kFailFile = 211;
constexpr int kPassedButton = 212;
constexpr int kPassedAllButton = 213;
constexpr int kFilesFailedLabel = 214;
constexpr int kFilesFailed = 215;
constexpr int kFailedList = 216;
constexpr int kFailedButton = 217;
constexpr int kFailedAllButton = 218;
constexpr int kClearAll = 219;

constexpr int kMenuPassedArchive = 2001;
constexpr int kMenuPassedMove = 2002;
constexpr int kMenuFailedDelete = 2003;
constexpr int kMenuFailedMove = 2004;
}  // namespace results_ids

namespace progress_ids {
constexpr int kLabel = 301;
constexpr int kBar = 302;
constexpr int kPause = 303;
}  // namespace progress_ids

namespace about_ids {
constexpr int kTitle = 401;
constexpr int kVersion = 402;
constexpr int kCredit = 403;
constexpr int kLibrary = 404;
constexpr int kLibraryVersion = 405;
constexpr int kLibraryCredit = 406;
}  // namespace about_ids

namespace trace_ids {
constexpr int kDeleteSelected = 501;
constexpr int kSaveSelected = 502;
constexpr int kAppendSelected = 503;
}  // namespace trace_ids

}  // namespace quilve::ui
