#pragma once

#include "core/client_model.h"
#include "desktop/client_model_snapshot.h"

#include <QObject>
#include <atomic>
#include <functional>

namespace zumaset {

class KlientWindow;

// Brings the window up to date with the client model. The model tells of its
// changes on the thread that makes them (the pass thread); the bridge notes
// them and has the UI thread take one snapshot for all changes noted since
// its last update, so a fast pass never floods the event loop and the window
// never reads the model while it changes.
class ModelBridge : public QObject {
    Q_OBJECT

public:
    using TakeSnapshot = std::function<ClientModelSnapshot()>;

    // Lives on the thread that creates it, which must be the window's.
    ModelBridge(TakeSnapshot takeSnapshot, KlientWindow& window);

    // Any thread: a change of the model. A new balloon is shown once per change
    // noted, even when its text is the same as before.
    void OnChange(ClientModel::Change change);
    // Makes this bridge the model's observer.
    void Observe(ClientModel& model);

private:
    void Update();

    TakeSnapshot takeSnapshot_;
    KlientWindow& window_;
    std::atomic<unsigned> pending_{0}; // one bit per kind of change
};

} // namespace zumaset
