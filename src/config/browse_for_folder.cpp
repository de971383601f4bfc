#include "config/browse_for_folder.h"

#include <QFileDialog>

namespace zumaset {

std::string PickedFolderText(const QString& picked) {
    if (picked.isEmpty()) return {};
    return picked.toUtf8().toStdString() + "/";
}

std::string BrowseForFolder(QWidget* owner) {
    return PickedFolderText(QFileDialog::getExistingDirectory(owner, QStringLiteral("Vyberte adresář"), QString(),
                                                              QFileDialog::ShowDirsOnly));
}

} // namespace zumaset
