#pragma once

// A private project library for tests: a temporary folder holding the user defaults, the projects
// and the cloud projects' root; a settings object of its own; a clock that moves one second at
// every reading, so that every stamp is later than the one before.

#include "platform/UserDefaults.h"
#include "projects/ProjectInfo.h"
#include "projects/ProjectLibraryStore.h"
#include "projects/ProjectMetadata.h"
#include "projects/ProjectRecorder.h"
#include "settings/AppSettings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

namespace projects::test {

// A local record with the given identity and creation time; mode and colour space rec709.
ProjectInfo makeProject(const QUuid& id, const QString& name, const QString& folderPath, double createdAt);

class FakeRecorder : public ProjectRecorder {
public:
    void setOutputFolderURL(const std::optional<QUrl>& folder) override { folders.append(folder); }
    QList<std::optional<QUrl>> folders;
};

class LibraryTest : public ::testing::Test {
protected:
    LibraryTest();
    ~LibraryTest() override;

    // The store, opened on first use; reopen() starts a new one on the same defaults, as a relaunch.
    ProjectLibraryStore& store();
    void reopen();
    // Writes a library into the defaults as a previous run left it.
    void storeLibrary(const QList<ProjectInfo>& projects, const std::optional<QUuid>& current = std::nullopt);

    QString path(const QString& relative) const { return dir_.filePath(relative); }
    QString makeFolder(const QString& relative);
    // The metadata file in a folder, if it decodes.
    std::optional<ProjectMetadata> metadataIn(const QString& folder) const;
    QString cloudRoot() const { return path("cloud"); }

    QTemporaryDir dir_;
    std::unique_ptr<platform::UserDefaults> defaults_;
    std::unique_ptr<settings::AppSettings> settings_;
    std::unique_ptr<ProjectLibraryStore> store_;
    double clock_ = 700'000'000;
    FakeRecorder recorder_;
};

} // namespace projects::test
