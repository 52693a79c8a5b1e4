#include "ui/setup/timer_program_fields.h"

namespace quilve::ui {

TimerProgramFields timerProgramFields(ScanSettings& s, DirectoryHistory& h, int n) {
  switch (n) {
    case 1:
      return {&s.TimerProgram1Enable, &h.Program1InputDirectory, &h.Program1OutputDirectory,
              &h.Program1OutputFileName, &h.Program1ArchiveDirectory};
    case 2:
      return {&s.TimerProgram2Enable, &h.Program2InputDirectory, &h.Program2OutputDirectory,
              &h.Program2OutputFileName, &h.Program2ArchiveDirectory};
    case 3:
      return {&s.TimerProgram3Enable, &h.Program3InputDirectory, &h.Program3OutputDirectory,
              &h.Program3OutputFileName, &h.Program3ArchiveDirectory};
    case 4:
      return {&s.TimerProgram4Enable, &h.Program4InputDirectory, &h.Program4OutputDirectory,
              &h.Program4OutputFileName, &h.Program4ArchiveDirectory};
    default:
      return {};
  }
}

}  // namespace quilve::ui
