#include "config/dialog_host.h"

#include "config/browse_for_folder.h"
#include "config/modal_message_boxes.h"
#include "platform/connection_state.h"
#include "platform/ras_entries.h"

#include <QMessageBox>

namespace zumaset {

namespace {

QString BoxText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).replace(QStringLiteral("\r\n"), "\n");
}

} // namespace

int DialogHost::ConnectionStateFlag(int flag) {
    return zumaset::ConnectionStateFlag(flag);
}

std::optional<RasChoice> DialogHost::ListRasEntries(std::string_view rasName) {
    auto entries = zumaset::ListRasEntries(rasName);
    if (!entries) return std::nullopt;
    return RasChoice{std::move(entries->names), entries->selected};
}

std::string DialogHost::BrowseForFolder() {
    return zumaset::BrowseForFolder(owner_);
}

void DialogHost::ShowBox(std::string_view title, std::string_view text, MessageIcon icon) {
    ModalMessageBoxes(owner_).Show(title, text, icon);
}

bool DialogHost::AskYesNo(std::string_view title, std::string_view text) {
    QMessageBox box(QMessageBox::Warning, BoxText(title), BoxText(text), QMessageBox::Yes | QMessageBox::No, owner_);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

void DialogHost::AddActivity(std::string_view line) {
    if (callbacks_.addActivity) callbacks_.addActivity(line);
}

void DialogHost::OfferControlLog(bool offer) {
    if (callbacks_.offerControlLog) callbacks_.offerControlLog(offer);
}

void DialogHost::RunModeChanged(bool testMode) {
    if (callbacks_.runModeChanged) callbacks_.runModeChanged(testMode);
}

} // namespace zumaset
