#pragma once

// What cloud sync needs of the project library: the open project, word when it changes, and the
// cloud records that the list refresh and project synchronisation write. The shell connects it to
// the real library; tests hand in their own.
//
// Threads: main thread only.

#include "projects/ProjectMetadata.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace cloud {

class CloudProjectLibrary : public QObject {
    Q_OBJECT
public:
    // The fields of a project record that cloud sync reads.
    struct Project {
        QUuid id;
        QString name;
        QString folderPath; // the local project folder
        bool isCloud = false; // storage "cloud"; anything else counts as local
        std::optional<QString> cloudFolderID;
        // The record as its metadata file holds it (stored colour space, cloud folder, folder name).
        projects::ProjectMetadata metadata;
    };

    using QObject::QObject;

    // The open project, or none.
    virtual std::optional<Project> currentProject() const = 0;
    // Inserts or updates the record of a Drive project folder.
    virtual void upsertCloudProject(
        const projects::ProjectMetadata& metadata, const QString& folderID, const QString& folderName)
        = 0;
    // Records the Drive folder of an existing project.
    virtual void updateCloudFolderID(const QUuid& projectID, const QString& folderID) = 0;
    // The project whose record holds that Drive folder, if any.
    virtual std::optional<QUuid> projectWithCloudFolder(const QString& folderID) const = 0;

signals:
    // The library's current project identifier was assigned (the same value included).
    void currentProjectIDChanged();
};

} // namespace cloud
