// The process-wide values fixed at start-up.
#include "settings/program_values.h"

CommandFlags ActiveCommandFlags = {0, 0, 1, 0, 1};
const ProgramVersionInfo ProgramVersion = {2019, 0, 30, 11, 23};
const char MakerName[] = "Tessaly";
const char MakerHomePage[] = "https://www.tessaly.example/";
const int MakerFirstYear = 1998;
std::string ExeDirectory;
std::string SettingsPath;
int WindowColor[3] = {135, 215, 215};
int TextColor[3] = {0, 0, 0};
std::string HelpFileName = "Pivora.chm";
std::string NoticeLine;
int SkipWaits = 0;
volatile std::sig_atomic_t CancelRequested = 0;
