#pragma once

namespace zumaset {

// What an upload tells the transfer cycle. The cycle decides what follows
// (receipt polling, its timer's rhythm); the upload only reports.
class CycleEvents {
public:
    virtual ~CycleEvents() = default;

    // The server accepted a whole file: its receipt is to be polled for.
    virtual void OnFileAccepted() = 0;
    // A send started with NoGetConnect on: receipts must be fetched after it.
    virtual void OnReceiptAwaited() = 0;
};

} // namespace zumaset
