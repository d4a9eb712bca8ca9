#pragma once

// What cloud sync needs of the project library: the open project and word when it changes. The
// shell connects it to the real library; tests hand in their own.
//
// Threads: main thread only.

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
    };

    using QObject::QObject;

    // The open project, or none.
    virtual std::optional<Project> currentProject() const = 0;

signals:
    // The library's current project identifier was assigned (the same value included).
    void currentProjectIDChanged();
};

} // namespace cloud
