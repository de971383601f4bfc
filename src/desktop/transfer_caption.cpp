#include "desktop/transfer_caption.h"

#include <algorithm>

namespace zumaset {

std::optional<int> TransferPercent(const TransferState& state) {
    if (state.total == 0) return std::nullopt;
    // In floating point: done * 100 would overflow for files beyond 180 PB only,
    // but a ratio needs no such bound.
    const double ratio = static_cast<double>(std::min(state.done, state.total)) / static_cast<double>(state.total);
    return static_cast<int>(ratio * 100.0);
}

QString TransferCaption(const TransferState& state) {
    const QString verb = state.direction == TransferState::Direction::Sending ? QStringLiteral("Odesílá se: ")
                                                                              : QStringLiteral("Přijímá se: ");
    return verb + QString::fromStdString(state.file);
}

QString TrayTipDuringTransfer(const QString& tip, const TransferState& state) {
    QString text = tip + QLatin1Char('\n') + TransferCaption(state);
    if (const auto percent = TransferPercent(state)) text += QStringLiteral(" %1 %").arg(*percent);
    return text;
}

} // namespace zumaset
