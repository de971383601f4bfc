#pragma once

#include <QObject>
#include <memory>
#include <utility>

namespace zumaset {

// Creates a helper object that `parent` owns and destroys with itself (Qt's
// object tree): for filters and validators that belong to one widget.
template <typename T, typename... Args> T* MakeOwnedBy(QObject* parent, Args&&... args) {
    auto object = std::make_unique<T>(std::forward<Args>(args)...);
    object->setParent(parent);
    return object.release();
}

} // namespace zumaset
