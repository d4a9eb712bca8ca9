#include "projects/ui/NewProjectView.h"

#include "platform/StandardFolders.h"
#include "projects/ProjectLibraryStore.h"
#include "projects/ui/CloudSyncChanges.h"
#include "projects/ui/LibraryFailureText.h"
#include "projects/ui/ScreenLayout.h"
#include "projects/ui/TextStyle.h"
#include "settings/AppSettings.h"
#include "ui/AppCard.h"
#include "ui/AppPane.h"
#include "ui/AppWindowChrome.h"
#include "ui/DialogService.h"
#include "ui/SegmentedPillControl.h"
#include "ui/ThemedLabel.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace projects_ui {

namespace {

// One titled group of the form, on the shared card background.
QWidget* formCard(const QString& title, const std::vector<QWidget*>& rows)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(new ui::ThemedLabel(title, TextStyle::headline(), ui::AppTheme::textPrimary));
    for (QWidget* row : rows)
        layout->addWidget(row);
    auto* card = ui::appCard(content, false);
    card->setObjectName(title);
    return card;
}

} // namespace

NewProjectView::NewProjectView(Environment environment, QWidget* parent)
    : QDialog(parent)
    , env_(std::move(environment))
    , baseFolder_(defaultProjectsRoot(env_.documentsFolder))
    , format_(defaultFormat(env_.settings))
{
    setObjectName(QStringLiteral("newProjectView"));
    setWindowTitle(QStringLiteral("New Project"));
    setWindowModality(Qt::WindowModal);

    name_ = new QLineEdit;
    name_->setObjectName(QStringLiteral("nameField"));
    name_->setPlaceholderText(QStringLiteral("e.g. ClientA Spot"));

    location_ = new ui::ThemedLabel(QString(), TextStyle::caption(), ui::AppTheme::textSecondary);
    location_->setObjectName(QStringLiteral("locationLabel"));
    location_->setWordWrap(true);
    location_->setMaximumHeight(2 * QFontMetrics(location_->font()).lineSpacing() + 2);
    location_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    choose_ = plainButton(QStringLiteral("Choose..."), QStringLiteral("chooseButton"));
    auto* chooseRow = new QWidget;
    auto* chooseLayout = new QHBoxLayout(chooseRow);
    chooseLayout->setContentsMargins(0, 0, 0, 0);
    chooseLayout->addWidget(choose_);
    chooseLayout->addStretch(1);

    formatPicker_ = new QComboBox;
    formatPicker_->setObjectName(QStringLiteral("formatPicker"));
    formatPicker_->setAccessibleName(QStringLiteral("Format"));
    for (const auto format : formatOptions())
        formatPicker_->addItem(settings::displayName(format), static_cast<int>(format));
    colorSpace_ = new ui::ThemedLabel(QString(), TextStyle::caption2(), ui::AppTheme::textSecondary);
    colorSpace_->setObjectName(QStringLiteral("colorSpaceLine"));

    storagePicker_ = new ui::SegmentedPillControl(
        {
            { static_cast<int>(projects::ProjectStorageType::local),
                settings::displayName(projects::ProjectStorageType::local), std::nullopt },
            { static_cast<int>(projects::ProjectStorageType::cloud),
                settings::displayName(projects::ProjectStorageType::cloud), std::nullopt },
        },
        static_cast<int>(storage_));
    storagePicker_->setObjectName(QStringLiteral("storagePicker"));
    storagePicker_->setAccessibleName(QStringLiteral("Storage"));
    auto* storageRow = new QWidget;
    auto* storageLayout = new QHBoxLayout(storageRow);
    storageLayout->setContentsMargins(0, 0, 0, 0);
    storageLayout->addWidget(storagePicker_);
    storageLayout->addStretch(1);
    driveRow_ = new QWidget;
    driveRow_->setObjectName(QStringLiteral("driveRow"));
    auto* driveLayout = new QHBoxLayout(driveRow_);
    driveLayout->setContentsMargins(0, 0, 0, 0);
    driveLayout->setSpacing(8);
    driveStatus_ = new ui::ThemedLabel(QString(), TextStyle::caption2(), ui::AppTheme::textSecondary);
    driveStatus_->setObjectName(QStringLiteral("driveStatus"));
    sign_ = plainButton(QString(), QStringLiteral("signButton"));
    driveLayout->addWidget(driveStatus_);
    driveLayout->addStretch(1);
    driveLayout->addWidget(sign_);

    cancel_ = plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"));
    create_ = plainButton(QStringLiteral("Create"), QStringLiteral("createButton"));
    create_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancel_);
    buttons->addStretch(1);
    buttons->addWidget(create_);

    auto* stack = new QWidget;
    stack->setMinimumSize(520, 360);
    auto* column = new QVBoxLayout(stack);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(12);
    column->addWidget(
        new ui::ThemedLabel(QStringLiteral("New Project"), TextStyle::title2(), ui::AppTheme::textPrimary));
    column->addWidget(formCard(QStringLiteral("Project Name"), { name_ }));
    column->addWidget(formCard(QStringLiteral("Location"), { location_, chooseRow }));
    column->addWidget(formCard(QStringLiteral("Project Format"), { formatPicker_, colorSpace_ }));
    column->addWidget(formCard(QStringLiteral("Storage"), { storageRow, driveRow_ }));
    column->addStretch(1);
    column->addLayout(buttons);

    setPaneContent(this, stack, 12);

    connect(choose_, &QPushButton::clicked, this, &NewProjectView::chooseBaseFolder);
    connect(formatPicker_, &QComboBox::activated, this,
        [this](int index) { format_ = static_cast<settings::CaptureFormat>(formatPicker_->itemData(index).toInt()); });
    connect(storagePicker_, &ui::SegmentedPillControl::activated, this, [this](const QVariant& value) {
        storage_ = static_cast<projects::ProjectStorageType>(value.toInt());
        refresh();
    });
    connect(sign_, &QPushButton::clicked, this, [this] {
        if (env_.driveSync.isSignedIn())
            env_.driveSync.signOut();
        else
            env_.driveSync.signIn();
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(create_, &QPushButton::clicked, this, &NewProjectView::createProject);
    onAnyChange(env_.driveSync, this, [this] { refresh(); });
    connect(&env_.settings, &settings::AppSettings::projectOutputColorModeChanged, this, &NewProjectView::refresh);
    refresh();
    name_->setFocus();
}

QString NewProjectView::defaultProjectsRoot(const QString& documentsFolder)
{
    const QString parent = documentsFolder.isEmpty() ? platform::documentsDirectory() : documentsFolder;
    const QString root = QDir(parent).filePath(QStringLiteral("Corvale"));
    if (!QFileInfo::exists(root))
        QDir().mkpath(root);
    return root;
}

settings::CaptureFormat NewProjectView::defaultFormat(const settings::AppSettings& settings)
{
    const auto format = settings.projectFormat();
    return format == settings::CaptureFormat::auto_ ? settings::CaptureFormat::hd1080p25 : format;
}

std::vector<settings::CaptureFormat> NewProjectView::formatOptions()
{
    std::vector<settings::CaptureFormat> formats;
    for (const auto format : settings::allCases<settings::CaptureFormat>()) {
        if (settings::toRaw(format) != QLatin1String("auto"))
            formats.push_back(format);
    }
    return formats;
}

QString NewProjectView::name() const
{
    return name_->text();
}

QLabel* NewProjectView::locationLabel() const
{
    return location_;
}

void NewProjectView::chooseBaseFolder()
{
    ui::OpenPanelRequest request;
    request.title = QStringLiteral("Choose Project Location");
    request.directory = baseFolder_;
    request.chooseDirectories = true;
    env_.dialogs.showOpenPanel(this, request, [self = QPointer<NewProjectView>(this)](const QStringList& paths) {
        if (!self || paths.isEmpty())
            return;
        self->baseFolder_ = paths.front();
        self->refresh();
    });
}

void NewProjectView::createProject()
{
    const auto outcome = env_.projectLibrary.createProject(
        name_->text(), baseFolder_, format_, storage_, env_.settings.projectOutputColorMode(), env_.recordVM);
    if (!outcome) {
        const auto& failure = outcome.error();
        QString message;
        if (failure.is(projects::ProjectLibraryError::invalidName))
            message = QStringLiteral("Please enter a project name.");
        else if (failure.is(projects::ProjectLibraryError::folderExists))
            message = QStringLiteral("A folder with this project name already exists in the selected location.");
        else
            message = describe(failure);
        ui::AlertRequest alert { QStringLiteral("Create Project Failed"), message,
            { ui::AlertButton { QStringLiteral("OK"), ui::AlertButton::Role::cancel } } };
        env_.dialogs.showAlert(this, alert, [](int) {});
        return;
    }
    if (storage_ == projects::ProjectStorageType::cloud)
        env_.driveSync.syncNow();
    env_.playbackVM.exit();
    accept();
}

void NewProjectView::refresh()
{
    location_->setText(QDir::toNativeSeparators(baseFolder_));
    {
        const QSignalBlocker blocker(formatPicker_);
        formatPicker_->setCurrentIndex(formatPicker_->findData(static_cast<int>(format_)));
    }
    colorSpace_->setText(
        QStringLiteral("Output Color Space: ") + settings::displayName(env_.settings.projectOutputColorMode()));
    storagePicker_->setSelection(static_cast<int>(storage_));
    const bool cloud = storage_ == projects::ProjectStorageType::cloud;
    const bool signedIn = env_.driveSync.isSignedIn();
    if (driveRow_->isVisibleTo(this) != cloud) {
        driveRow_->setVisible(cloud);
        // The sheet grows and shrinks with the Drive row.
        if (isVisible())
            adjustSize();
    }
    driveStatus_->setText(
        signedIn ? QStringLiteral("Google Drive connected") : QStringLiteral("Google Drive not connected"));
    sign_->setText(signedIn ? QStringLiteral("Sign Out") : QStringLiteral("Sign In"));
    create_->setEnabled(!(cloud && !signedIn));
}

} // namespace projects_ui
