#pragma once

// Hands work to the main (GUI) thread, the owner of every published property.

#include <QObject>
#include <QPointer>

#include <functional>

namespace platform {

bool isMainThread();

// Queues a block on the main thread; it always runs later, never inline.
void runOnMain(std::function<void()> block);

// As above, but the block is skipped when `guard` has been destroyed before it runs
// (the weak-self pattern).
void runOnMain(QObject* guard, std::function<void()> block);

} // namespace platform
