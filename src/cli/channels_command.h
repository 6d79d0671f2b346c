#pragma once

#include <string>
#include <vector>

namespace atalaya {

class TextTable;
struct Settings;

// "atalaya-cli channels …": the channel list of an image file, without a decoder.
//   dump IMAGE [--ram] [--tcs-section N] [--tpt-section N] [--format tsv|html|json]
//        [--table channels|transponders] [--decimal ,|.]
//   rebuild IMAGE OUT [--tcs-section N] [--tpt-section N]
// `arguments` are the words after "channels"; a "--data-dir DIR" among them is skipped, as
// the caller has already read the settings from there. Returns the exit status: 0 done,
// 1 failed, 2 a command line it does not understand.
int RunChannelsCommand(const std::vector<std::string>& arguments, const TextTable& texts,
                       const Settings& settings);

// "atalaya-cli checksum FIRMWARE": the twenty CRC-32 values of the firmware checksum block,
// one a line. `arguments` are the words after "checksum".
int RunChecksumCommand(const std::vector<std::string>& arguments, const TextTable& texts);

// The decimal separator of the user's numeric locale (LC_ALL, LC_NUMERIC, LANG), read without
// changing the locale of the process; "." when the locale has none of one byte.
char LocaleDecimalSeparator();

extern const char kChannelsUsage[];

}  // namespace atalaya
