#include "cli/command.h"

namespace fc::cli {

// One line per subsystem; the order is the order of the command list in --help.
TCommandTable BuildCommandTable() {
  TCommandTable table;
  RegisterConfigCommands(table);
  RegisterLanguageCommands(table);
  RegisterSwfCommands(table);
  RegisterReaderCommands(table);
  RegisterEngineCommands(table);
  RegisterAsCommands(table);
  RegisterMovieCommands(table);
  RegisterSwfShapesCommands(table);
  RegisterSwfTextCommands(table);
  RegisterSwfSoundCommands(table);
  RegisterSwfVideoCommands(table);
  RegisterSwfPictureCommands(table);
  RegisterProfileCommands(table);
  RegisterConvertCommands(table);
  RegisterFlashCommands(table);
  RegisterTemplateCommands(table);
  RegisterServeCommands(table);
  return table;
}

}  // namespace fc::cli
