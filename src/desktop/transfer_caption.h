#pragma once

#include "core/transfer_progress.h"

#include <QString>
#include <optional>

namespace zumaset {

// How far a transfer has gone in whole percent (0 to 100); nothing while its
// size is unknown.
std::optional<int> TransferPercent(const TransferState& state);

// The window's line about the file in transfer: "Odesílá se: NAME" or "Přijímá se: NAME".
QString TransferCaption(const TransferState& state);

// The tray tip during a transfer: the tip, a line break, the caption and the
// percentage when known ("Zumaset 2.0.0.2\nOdesílá se: A.txt 42 %").
QString TrayTipDuringTransfer(const QString& tip, const TransferState& state);

} // namespace zumaset
