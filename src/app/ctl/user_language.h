#pragma once

#include <filesystem>

namespace zumaset {

// Where the catalogues of zumasetctl's messages are: beside the program as
// installed (bin/../share/locale), which is also how the build folder lays
// them out, else the folder the installation was configured with.
std::filesystem::path CatalogueFolder();

// Takes the language of the messages from the environment as usual (LANGUAGE,
// LC_ALL, LC_MESSAGES, LANG). Only the messages category changes: numbers,
// dates and character classes stay those of the C locale, and the messages
// come out in UTF-8 like every other line the program prints.
void UseUserLanguage();

} // namespace zumaset
