#include "desktop/model_bridge.h"

#include "desktop/klient_window.h"

namespace zumaset {

namespace {

unsigned Bit(ClientModel::Change change) {
    return 1u << static_cast<unsigned>(change);
}

} // namespace

ModelBridge::ModelBridge(TakeSnapshot takeSnapshot, KlientWindow& window)
    : takeSnapshot_(std::move(takeSnapshot)), window_(window) {}

void ModelBridge::OnChange(ClientModel::Change change) {
    // Only the first change since the last update asks for one; the update
    // takes all of them.
    if (pending_.fetch_or(Bit(change)) != 0) return;
    QMetaObject::invokeMethod(this, &ModelBridge::Update, Qt::QueuedConnection);
}

void ModelBridge::Observe(ClientModel& model) {
    model.SetObserver([this](ClientModel::Change change) { OnChange(change); });
}

void ModelBridge::Update() {
    const unsigned changes = pending_.exchange(0);
    const ClientModelSnapshot snapshot = takeSnapshot_();
    window_.ShowModel(snapshot);
    if (changes & Bit(ClientModel::Change::Balloon)) window_.ShowBalloon(QString::fromStdString(snapshot.lastBalloon));
}

} // namespace zumaset
