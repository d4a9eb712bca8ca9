#pragma once

// A library screen on a real store in a temporary folder, with the fake cloud sync, the fake dialog
// service, a manual scheduler, and playback hooks that count their calls.

#include "FakeCloudSync.h"
#include "TestSettings.h"
#include "kit/FakeDialogService.h"
#include "kit/ScreenKit.h"
#include "platform/ManualScheduler.h"
#include "projects/ProjectLibraryStore.h"
#include "projects/ui/ProjectLibraryView.h"

#include <gtest/gtest.h>

#include <memory>

namespace projects_ui {

class LibraryFixture : public ::testing::Test {
protected:
    LibraryFixture() { ui::screenkit::prepare(); }

    // A record of `storage` named `name` with a folder of that name made in the scratch folder,
    // created `age` seconds before the fixture's clock (older records sort later).
    projects::ProjectInfo record(const QString& name,
        projects::ProjectStorageType storage = projects::ProjectStorageType::local, double age = 0,
        std::optional<QString> cloudFolderID = std::nullopt);
    // Stores the list (and current identifier) for the store made next.
    void seed(const QList<projects::ProjectInfo>& projects, const std::optional<QUuid>& current = std::nullopt);

    projects::ProjectLibraryStore& library(); // made on first use
    // The screen, shown (so its appearance steps ran).
    ProjectLibraryView& view();
    PlaybackHooks hooks();
    // Drive signed in with its list loaded, holding `ids`.
    void signedInWith(const QList<QUuid>& ids);

    // The texts the screen's alerts showed, in order.
    QStringList alertMessages() const;
    QStringList listedNames();

    TestSettings env;
    double clock = 700'000'000;
    FakeCloudSync cloud;
    ui::FakeDialogService dialogs;
    platform::ManualScheduler scheduler;
    int enters = 0;
    int exits = 0;
    bool selectionMode = false;
    std::unique_ptr<projects::ProjectLibraryStore> store;
    std::unique_ptr<ProjectLibraryView> screen;
};

} // namespace projects_ui
