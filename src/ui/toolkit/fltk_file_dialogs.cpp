// The file choosers and the folder picker.
#include "ui/toolkit/fltk_native.h"

#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Native_File_Chooser.H>

#include <algorithm>
#include <cctype>

namespace quilve::ui {

std::string fltkFilterPattern(const std::string& pattern) {
  std::vector<std::string> alternatives;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = pattern.find(',', start);
    std::string alt = pattern.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    std::string matched;
    for (char c : alt) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (std::isalpha(u)) {
        matched += '[';
        matched += static_cast<char>(std::tolower(u));
        matched += static_cast<char>(std::toupper(u));
        matched += ']';
      } else {
        matched += c;
      }
    }
    if (!alt.empty()) alternatives.push_back(matched);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (alternatives.size() == 1) return alternatives.front();
  std::string out = "{";
  for (std::size_t i = 0; i < alternatives.size(); ++i) out += (i ? "," : "") + alternatives[i];
  return out + "}";
}

std::optional<FileChoice> FltkToolkit::fileDialog(Window*, FileDialog type, const std::string& filter,
                                                  const std::string& startDirectory) {
  Fl_Native_File_Chooser chooser;
  switch (type) {
    case FileDialog::Open: chooser.type(Fl_Native_File_Chooser::BROWSE_FILE); break;
    case FileDialog::OpenMultiple: chooser.type(Fl_Native_File_Chooser::BROWSE_MULTI_FILE); break;
    default: chooser.type(Fl_Native_File_Chooser::BROWSE_SAVE_FILE); break;
  }
  chooser.options(type == FileDialog::SaveAskOverwrite ? Fl_Native_File_Chooser::SAVEAS_CONFIRM
                                                       : Fl_Native_File_Chooser::NO_OPTIONS);
  // description;pattern pairs become FLTK's "description\tpattern" lines.
  std::string fltkFilter;
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t semi = filter.find(';', start);
    parts.push_back(filter.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    const std::string& description = parts[i];
    const std::string& pattern = i + 1 < parts.size() ? parts[i + 1] : parts[i];
    if (pattern.empty()) continue;
    if (!fltkFilter.empty()) fltkFilter += '\n';
    const std::string matched = fltkFilterPattern(pattern);
    fltkFilter += description.empty() ? matched : description + '\t' + matched;
  }
  if (!fltkFilter.empty()) chooser.filter(fltkFilter.c_str());
  if (!startDirectory.empty()) chooser.directory(startDirectory.c_str());
  Fl::pushed(nullptr);
  if (chooser.show() != 0) return std::nullopt;
  FileChoice choice;
  for (int i = 0; i < chooser.count(); ++i) {
    if (const char* name = chooser.filename(i)) choice.paths.emplace_back(name);
  }
  choice.filterIndex = std::max(0, chooser.filter_value());
  if (choice.paths.empty()) return std::nullopt;
  return choice;
}

std::optional<std::string> FltkToolkit::folderDialog(Window*, const std::string& title,
                                                     const std::string& startDirectory) {
  Fl::pushed(nullptr);
  const char* chosen = fl_dir_chooser(title.c_str(), startDirectory.empty() ? nullptr : startDirectory.c_str(), 0);
  if (!chosen) return std::nullopt;
  return std::string(chosen);
}

}  // namespace quilve::ui
