#pragma once

// Work that may wait on the results server runs on a thread of its own; its result comes back
// to the window's thread and is dropped when the widget that asked is gone by then.

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <thread>

namespace halvo::gui {

template <typename Owner, typename Result>
void RunInBackground(Owner* owner, std::function<Result()> work, std::function<void(Owner&, Result&)> done) {
    QPointer<Owner> guard(owner);
    std::thread([guard, work = std::move(work), done = std::move(done)]() mutable {
        auto result = std::make_shared<Result>(work());
        // Posted to the application, which outlives every window; the owner is looked at only
        // on the window's thread.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, done = std::move(done), result] {
                if (guard) {
                    done(*guard, *result);
                }
            },
            Qt::QueuedConnection);
    }).detach();
}

}  // namespace halvo::gui
