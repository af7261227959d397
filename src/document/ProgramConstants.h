#pragma once

#include "document/SjisString.h"

// The program's fixed names, kept in one place.
namespace ProgramConstants {

// TAV_VERSION comes from the build: the project's version.
inline constexpr char VersionString[] = "Tav Outliner " TAV_VERSION;
// The first 16 bytes of every page file written.
inline constexpr char PageFileFormatTag[] = "Tav Outliner 1.4";
// Link target given to the category of every new page.
inline constexpr char HomePageAddress[] = "https://tav-outliner.example.org/";

// "Welcome to Tav Outliner 1.8": the title of the untitled page.
inline SjisString UntitledPageTitle() { return SjisString("Welcome to ") + VersionString; }
// "Tav Outliner 1.8 Document": the category of a new page.
inline SjisString NewPageCategory() { return SjisString(VersionString) + " Document"; }
// "<!-- TODO: ユーザ定義ヘッダを記述してください -->" and one LF, in Shift_JIS.
SjisString NewPageUserHeader();
// "(規定値)" in Shift_JIS: the name of the default FTP setting.
SjisString DefaultFtpSettingName();

} // namespace ProgramConstants
