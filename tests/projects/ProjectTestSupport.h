#pragma once

// A private project library: a temporary folder holding the user defaults, the projects and the
// cloud root; settings of its own; a clock that moves one second at every reading.

#include "platform/UserDefaults.h"
#include "projects/ProjectLibraryStore.h"
#include "settings/AppSettings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <memory>

namespace projects::test {

// A local rec709 record.
ProjectInfo makeProject(const QUuid& id, const QString& name, const QString& folderPath, double createdAt);

class FakeRecorder : public ProjectRecorder {
public:
    void setOutputFolderURL(const std::optional<QUrl>& folder) override { folders.append(folder); }
    QList<std::optional<QUrl>> folders;
};

class LibraryTest : public ::testing::Test {
protected:
    LibraryTest();

    ProjectLibraryStore& store(); // opened on first use
    void reopen(); // a new store on the same defaults, as a relaunch
    void storeLibrary(const QList<ProjectInfo>& projects, const std::optional<QUuid>& current = std::nullopt);
    QList<ProjectInfo> storedLibrary() const;
    QString path(const QString& relative) const { return dir_.filePath(relative); }
    QString makeFolder(const QString& relative);
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
