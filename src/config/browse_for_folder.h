#pragma once

#include <QString>
#include <string>

class QWidget;

namespace zumaset {

// Lets the user pick a folder ("Vyberte adresář") and gives its full path
// followed by "/", or "" when the picker was cancelled.
std::string BrowseForFolder(QWidget* owner);

// What the picker's answer is given back as: the folder followed by "/"
// (always, so the root comes back as "//"), or "" for no answer.
std::string PickedFolderText(const QString& picked);

} // namespace zumaset
