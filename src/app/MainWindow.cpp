#include "app/MainWindow.h"

#include "app/LayoutLogOverlay.h"
#include "app/LayoutLogTriggerZone.h"
#include "platform/NotificationCenter.h"
#include "platform/Scheduler.h"
#include "platform/UserDefaults.h"
#include "projects/ProjectLibraryStore.h"
#include "settings/RecordSidebarState.h"
#include "ui/AppPane.h"
#include "ui/AppTheme.h"
#include "ui/AppWindowChrome.h"
#include "ui/LayoutLogger.h"
#include "ui/PaneChrome.h"
#include "ui/SplitViewMemory.h"

#include <QCloseEvent>
#include <QDialog>
#include <QEasingCurve>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>

namespace app {

namespace {

constexpr double frameSaveDelay = 0.5;
constexpr int splitterMargin = 10;

// Stands in for a pane whose screen comes later.
QWidget* placeholder(const char* name)
{
    auto* widget = new QWidget;
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

MainWindow::MainWindow(Environment environment, QWidget* parent)
    : QMainWindow(parent)
    , env_(std::move(environment))
{
    setObjectName(QStringLiteral("CorvaleMainWindow"));
    setWindowTitle(QStringLiteral("Corvale"));
    setMinimumSize(minimumWidth, minimumHeight);

    recordPane_ = new ui::AppPane(env_.makeRecordView ? env_.makeRecordView() : placeholder("recordPlaceholder"));
    recordPane_->setObjectName(QStringLiteral("recordPane"));
    QWidget* playbackView = env_.makePlaybackView ? env_.makePlaybackView() : placeholder("playbackPlaceholder");
    // The playback screen's Settings control opens the settings window, as the menu item does.
    if (playbackView->metaObject()->indexOfSignal("settingsRequested()") >= 0)
        connect(playbackView, SIGNAL(settingsRequested()), this, SIGNAL(settingsRequested()));
    playbackPane_ = new ui::PaneChrome(playbackView);
    playbackPane_->setObjectName(QStringLiteral("playbackPane"));
    playbackPane_->setMinimumWidth(minimumPlaybackWidth);

    splitter_ = new QSplitter(Qt::Horizontal);
    splitter_->setObjectName(QStringLiteral("mainSplitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(recordPane_);
    splitter_->addWidget(playbackPane_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(splitterMargin, splitterMargin, splitterMargin, splitterMargin);
    layout->addWidget(splitter_);
    setCentralWidget(ui::appWindowChrome(content));

    ui::LayoutLogger& logger = env_.layoutLogger ? *env_.layoutLogger : ui::LayoutLogger::shared();
    ui::layoutLog(recordPane_, QStringLiteral("① Left Sidebar (RecordView)"), logger);
    ui::layoutLog(playbackPane_, QStringLiteral("② Right Area (PlaybackView)"), logger);
    auto* layoutLogZone = new LayoutLogTriggerZone(content, env_.layoutLogGesture);
    layoutLogOverlay_ = new LayoutLogOverlay(
        { logger, env_.scheduler, env_.notifications ? *env_.notifications : platform::NotificationCenter::shared() },
        content);
    connect(layoutLogZone, &LayoutLogTriggerZone::toggled, layoutLogOverlay_, &LayoutLogOverlay::toggle);

    sidebarAnimation_ = new QVariantAnimation(this);
    sidebarAnimation_->setDuration(collapseAnimationMs);
    sidebarAnimation_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(sidebarAnimation_, &QVariantAnimation::valueChanged, this,
        [this](const QVariant& value) { setSidebarWidth(value.toInt()); });
    setSidebarWidth(env_.sidebar.isCollapsed() ? collapsedSidebarWidth : expandedSidebarWidth);
    connect(&env_.sidebar, &settings::RecordSidebarState::isCollapsedChanged, this,
        [this](bool collapsed) { animateSidebar(collapsed); });

    connect(&env_.projectLibrary, &projects::ProjectLibraryStore::isLibraryPresentedChanged, this,
        [this](bool presented) { syncLibrarySheet(presented); });

    buildMenus();
}

MainWindow::~MainWindow()
{
    if (pendingFrameSave_)
        env_.scheduler.cancel(*pendingFrameSave_);
}

void MainWindow::buildMenus()
{
    QMenu* menu = menuBar()->addMenu(QStringLiteral("&Corvale"));
    QAction* settingsAction = menu->addAction(QStringLiteral("Settings…"));
    settingsAction->setObjectName(QStringLiteral("settingsAction"));
    settingsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    settingsAction->setMenuRole(QAction::PreferencesRole);
    connect(settingsAction, &QAction::triggered, this, &MainWindow::settingsRequested);
    menu->addSeparator();
    QAction* quitAction = menu->addAction(QStringLiteral("Quit"));
    quitAction->setObjectName(QStringLiteral("quitAction"));
    quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitAction->setMenuRole(QAction::QuitRole);
    connect(quitAction, &QAction::triggered, this, &MainWindow::quitRequested);
}

QRectF MainWindow::firstLaunchFrame(const std::optional<QRect>& available)
{
    if (!available)
        return QRectF(0, 0, 1520, 920);
    const double width = std::min(0.9 * available->width(), 1520.0);
    const double height = std::min(0.86 * available->height(), 920.0);
    // The centre of the area in real numbers (QRect::center() rounds towards the top left).
    const double midX = available->x() + available->width() / 2.0;
    const double midY = available->y() + available->height() / 2.0;
    return QRectF(midX - width / 2, midY - height / 2, width, height);
}

void MainWindow::applyWindowDefaults()
{
    setMinimumSize(minimumWidth, minimumHeight);
    if (const auto stored = env_.defaults.dataForKey(QString::fromLatin1(frameKey)); stored && restoreGeometry(*stored))
        return;
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        resize(1520, 920);
        return;
    }
    setGeometry(firstLaunchFrame(screen->availableGeometry()).toRect());
}

int MainWindow::sidebarWidth() const
{
    return recordPane_->minimumWidth();
}

void MainWindow::setSidebarWidth(int width)
{
    // The recording screen may need more than the nominal width (its collapsed column does): the
    // pane grows to fit it rather than cutting it off.
    width = std::max(width, recordPane_->minimumSizeHint().width());
    recordPane_->setMinimumWidth(width);
    const int total = std::max(splitter_->width(), width + minimumPlaybackWidth);
    splitter_->setSizes({ width, total - width });
}

void MainWindow::keepSidebarWidth()
{
    const int room = splitter_->width() - minimumPlaybackWidth;
    const int current = splitter_->sizes().value(0);
    const int left = std::max(recordPane_->minimumWidth(), std::min(current, room));
    const int total = std::max(splitter_->width(), left + minimumPlaybackWidth);
    splitter_->setSizes({ left, total - left });
}

void MainWindow::animateSidebar(bool collapsed)
{
    const int target = collapsed ? collapsedSidebarWidth : expandedSidebarWidth;
    sidebarAnimation_->stop();
    if (!ui::AppTheme::animationsEnabled() || !isVisible()) {
        setSidebarWidth(target);
        return;
    }
    sidebarAnimation_->setStartValue(recordPane_->width());
    sidebarAnimation_->setEndValue(target);
    sidebarAnimation_->start();
}

void MainWindow::syncLibrarySheet(bool presented)
{
    if (!presented) {
        if (sheet_) {
            QDialog* sheet = sheet_;
            sheet_ = nullptr; // closing below must not write the flag again
            sheet->close();
            sheet->deleteLater();
        }
        return;
    }
    if (sheet_)
        return;
    auto* sheet = new QDialog(this);
    sheet->setObjectName(QStringLiteral("librarySheet"));
    sheet->setWindowModality(Qt::WindowModal);
    auto* layout = new QHBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(env_.makeLibraryView(sheet));
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        if (sheet_ != sheet)
            return;
        sheet_ = nullptr;
        sheet->deleteLater();
        env_.projectLibrary.setLibraryPresented(false);
    });
    sheet_ = sheet;
    sheet->open();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous() || didPresentLibrary_)
        return;
    didPresentLibrary_ = true;
    // A divider the user dragged in an earlier run comes back; collapsing still sets its own width.
    if (ui::rememberSplitView(*splitter_, QStringLiteral("main"), env_.defaults) && env_.sidebar.isCollapsed())
        setSidebarWidth(collapsedSidebarWidth);
    if (env_.enterProjectSelectionMode)
        env_.enterProjectSelectionMode();
    env_.projectLibrary.presentOnLaunch();
    // The store may already have said so before this window existed.
    syncLibrarySheet(env_.projectLibrary.isLibraryPresented());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    saveFrame();
    QMainWindow::closeEvent(event);
    emit quitRequested();
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    scheduleFrameSave();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (sidebarAnimation_->state() != QAbstractAnimation::Running)
        keepSidebarWidth();
    scheduleFrameSave();
}

void MainWindow::scheduleFrameSave()
{
    if (!isVisible())
        return;
    if (pendingFrameSave_)
        env_.scheduler.cancel(*pendingFrameSave_);
    pendingFrameSave_ = env_.scheduler.once(frameSaveDelay, [this] {
        pendingFrameSave_.reset();
        saveFrame();
    });
}

void MainWindow::saveFrame()
{
    if (pendingFrameSave_) {
        env_.scheduler.cancel(*pendingFrameSave_);
        pendingFrameSave_.reset();
    }
    env_.defaults.set(QString::fromLatin1(frameKey), saveGeometry());
}

} // namespace app
