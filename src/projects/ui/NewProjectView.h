#pragma once

// The form that creates a project: name, parent folder, video format and storage (local, or
// cloud with Google Drive). It collects input, keeps "Create" disabled for a cloud project while
// Drive is not connected, and maps the store's refusals to alert texts; the store makes the
// project. On success the project is current, a cloud project gets its first sync, the playback
// engine leaves project-selection mode and the form closes.
//
// A window-modal dialog opened with open(); every presentation is a fresh form. Escape and
// "Cancel" close it without any effect. Main thread only.

#include "projects/ProjectStorageType.h"
#include "projects/ui/PlaybackHooks.h"
#include "settings/CaptureFormat.h"
#include "ui/ThemedLabel.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace cloud {
class CloudSync;
}
namespace projects {
class ProjectLibraryStore;
class ProjectRecorder;
} // namespace projects
namespace settings {
class AppSettings;
}
namespace ui {
class DialogService;
class SegmentedPillControl;
} // namespace ui

namespace projects_ui {

class NewProjectView final : public QDialog {
    Q_OBJECT
public:
    struct Environment {
        projects::ProjectLibraryStore& projectLibrary;
        projects::ProjectRecorder* recordVM; // may be none
        PlaybackHooks playbackVM;
        cloud::CloudSync& driveSync;
        settings::AppSettings& settings;
        ui::DialogService& dialogs;
        // Where "Corvale" is proposed; empty: the user's Documents folder (or home folder).
        QString documentsFolder;
    };

    explicit NewProjectView(Environment environment, QWidget* parent = nullptr);

    // "Corvale" in `documentsFolder` (the user's Documents folder when empty, which falls back to the
    // home folder), made when missing; a failure to make it is ignored and the path proposed all the
    // same.
    static QString defaultProjectsRoot(const QString& documentsFolder);
    // The settings' project format, or hd1080p25 instead of "auto".
    static settings::CaptureFormat defaultFormat(const settings::AppSettings& settings);
    // Every format but "auto", in the enumeration's order.
    static std::vector<settings::CaptureFormat> formatOptions();

    QString name() const;
    const QString& baseFolder() const { return baseFolder_; }
    settings::CaptureFormat format() const { return format_; }
    projects::ProjectStorageType storage() const { return storage_; }

    void chooseBaseFolder();
    void createProject();

    // The controls tests drive.
    QLineEdit* nameField() const { return name_; }
    QLabel* locationLabel() const;
    QPushButton* chooseButton() const { return choose_; }
    QComboBox* formatPicker() const { return formatPicker_; }
    ui::ThemedLabel* colorSpaceLine() const { return colorSpace_; }
    ui::SegmentedPillControl* storagePicker() const { return storagePicker_; }
    QWidget* driveRow() const { return driveRow_; }
    ui::ThemedLabel* driveStatus() const { return driveStatus_; }
    QPushButton* signButton() const { return sign_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* createButton() const { return create_; }

private:
    void refresh();

    Environment env_;
    QString baseFolder_;
    settings::CaptureFormat format_;
    projects::ProjectStorageType storage_ = projects::ProjectStorageType::local;

    QLineEdit* name_;
    ui::ThemedLabel* location_;
    QPushButton* choose_;
    QComboBox* formatPicker_;
    ui::ThemedLabel* colorSpace_;
    ui::SegmentedPillControl* storagePicker_;
    QWidget* driveRow_;
    ui::ThemedLabel* driveStatus_;
    QPushButton* sign_;
    QPushButton* cancel_;
    QPushButton* create_;
};

} // namespace projects_ui
