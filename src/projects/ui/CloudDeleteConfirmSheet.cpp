#include "projects/ui/CloudDeleteConfirmSheet.h"

#include "projects/ui/Divider.h"
#include "projects/ui/ProgressSpinner.h"
#include "projects/ui/ScreenLayout.h"
#include "projects/ui/TextStyle.h"
#include "ui/AppPane.h"
#include "ui/AppTheme.h"
#include "ui/AppWindowChrome.h"
#include "ui/IconRegistry.h"
#include "ui/PillButtonStyle.h"
#include "ui/StyledButton.h"
#include "ui/SymbolImage.h"
#include "ui/ThemedLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace projects_ui {

namespace {

const ui::ThemeColor red { ui::ColorRole::systemRed };
const ui::ThemeColor orange { ui::ColorRole::systemOrange };

// The red disc with the bin on it at the top of the sheet.
class TrashBadge final : public QWidget {
public:
    explicit TrashBadge(QWidget* parent = nullptr)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("trashBadge"));
        setFixedSize(64, 64);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(red.opacity(0.12).color());
        painter.drawEllipse(QRectF(rect()));
        const QSizeF glyph = ui::IconRegistry::symbolSize(ui::AppTheme::systemFont(28, QFont::DemiBold));
        const QRectF area(QPointF(width() / 2.0 - glyph.width() / 2, height() / 2.0 - glyph.height() / 2), glyph);
        ui::IconRegistry::paint(painter, QStringLiteral("trash.fill"), area, red.color());
    }
};

QWidget* notice(const QString& symbol, const QString& text, ui::ThemeColor color)
{
    return iconRow(new ui::SymbolImage(symbol, TextStyle::callout(), color),
        new ui::ThemedLabel(text, TextStyle::callout(), color), 6);
}

} // namespace

CloudDeleteConfirmSheet::CloudDeleteConfirmSheet(
    const QString& projectName, std::function<void()> onConfirm, std::function<void()> onCancel, QWidget* parent)
    : QDialog(parent)
    , projectName_(projectName)
    , onConfirm_(std::move(onConfirm))
    , onCancel_(std::move(onCancel))
{
    setObjectName(QStringLiteral("cloudDeleteConfirmSheet"));
    setWindowTitle(QStringLiteral("Delete Cloud Project"));
    setWindowModality(Qt::WindowModal);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QWidget;
    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(0, 28, 0, 20);
    headerLayout->setSpacing(12);
    headerLayout->addWidget(new TrashBadge, 0, Qt::AlignHCenter);
    auto* title
        = new ui::ThemedLabel(QStringLiteral("Delete Cloud Project"), TextStyle::title3(), ui::AppTheme::textPrimary);
    headerLayout->addWidget(title, 0, Qt::AlignHCenter);
    nameLabel_ = new ui::ThemedLabel(QString(), TextStyle::headline(), ui::AppTheme::textPrimary);
    nameLabel_->setObjectName(QStringLiteral("projectNameLabel"));
    nameLabel_->setAlignment(Qt::AlignHCenter);
    nameLabel_->setWordWrap(true);
    headerLayout->addWidget(nameLabel_);
    column->addWidget(header);

    column->addWidget(new Divider(0.3));

    auto* notices = new QWidget;
    auto* noticeLayout = new QVBoxLayout(notices);
    noticeLayout->setContentsMargins(28, 18, 28, 18);
    noticeLayout->setSpacing(12);
    noticeLayout->addWidget(notice(QStringLiteral("externaldrive.badge.xmark"),
        QStringLiteral("Project will be moved to Google Drive Trash"), ui::AppTheme::textSecondary));
    noticeLayout->addWidget(notice(QStringLiteral("internaldrive"),
        QStringLiteral("Files on your local disk will be removed from library"), ui::AppTheme::textSecondary));
    noticeLayout->addWidget(notice(
        QStringLiteral("lock.shield"), QStringLiteral("You must re-authenticate with Google to confirm"), orange));
    column->addWidget(notices);

    errorRow_ = new QWidget;
    errorRow_->setObjectName(QStringLiteral("errorRow"));
    auto* errorLayout = new QHBoxLayout(errorRow_);
    errorLayout->setContentsMargins(28, 0, 28, 8);
    errorLayout->setSpacing(6);
    errorLayout->addStretch(1);
    errorLayout->addWidget(
        new ui::SymbolImage(QStringLiteral("exclamationmark.triangle.fill"), TextStyle::caption(), red));
    errorLabel_ = new ui::ThemedLabel(QString(), TextStyle::caption(), red);
    errorLabel_->setObjectName(QStringLiteral("errorLabel"));
    errorLabel_->setWordWrap(true);
    errorLayout->addWidget(errorLabel_, 0);
    errorLayout->addStretch(1);
    column->addWidget(errorRow_);

    column->addWidget(new Divider(0.3));

    auto* buttons = new QWidget;
    auto* buttonLayout = new QHBoxLayout(buttons);
    buttonLayout->setContentsMargins(20, 20, 20, 20);
    buttonLayout->setSpacing(12);
    cancel_ = new ui::StyledButton(ui::ButtonLabel::symbolAndText(QStringLiteral("xmark"), QStringLiteral("Cancel")),
        ui::PillButtonStyle(ui::AppTheme::textSecondary, false, true));
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    confirm_ = new ui::StyledButton(
        ui::ButtonLabel::symbolAndText(QStringLiteral("person.badge.key.fill"), QStringLiteral("Confirm with Google")),
        ui::PillButtonStyle(red, true, true));
    confirm_->setObjectName(QStringLiteral("confirmButton"));
    for (auto* button : { cancel_, confirm_ }) {
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        buttonLayout->addWidget(button, 1);
    }
    column->addWidget(buttons);

    // While busy the confirm pill shows a turning indicator beside "Deleting…" instead of its label.
    deletingLabel_ = new QWidget(confirm_);
    deletingLabel_->setObjectName(QStringLiteral("deletingLabel"));
    deletingLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* busyLayout = new QHBoxLayout(deletingLabel_);
    busyLayout->setContentsMargins(0, 0, 0, 0);
    busyLayout->setSpacing(6);
    busyLayout->addStretch(1);
    busyLayout->addWidget(new ProgressSpinner(16 * 0.75, ui::ThemeColor(QColor(Qt::white))));
    busyLayout->addWidget(new ui::ThemedLabel(
        QStringLiteral("Deleting…"), ui::AppTheme::systemFont(11, QFont::DemiBold), ui::ThemeColor(QColor(Qt::white))));
    busyLayout->addStretch(1);
    confirm_->installEventFilter(this);

    connect(cancel_, &QAbstractButton::clicked, this, [this] {
        if (onCancel_)
            onCancel_();
    });
    connect(confirm_, &QAbstractButton::clicked, this, [this] {
        if (onConfirm_)
            onConfirm_();
    });

    setPaneContent(this, content, 0);
    setFixedWidth(sheetWidth);
    refresh();
}

void CloudDeleteConfirmSheet::setProjectName(const QString& name)
{
    projectName_ = name;
    refresh();
}

void CloudDeleteConfirmSheet::setDeletingFromDrive(bool deleting)
{
    deleting_ = deleting;
    refresh();
}

void CloudDeleteConfirmSheet::setError(const std::optional<QString>& error)
{
    error_ = error;
    refresh();
}

void CloudDeleteConfirmSheet::reject()
{
    // Escape and the window's close button: the cancel path, which a running deletion blocks.
    if (deleting_)
        return;
    if (onCancel_)
        onCancel_();
    else
        QDialog::reject();
}

bool CloudDeleteConfirmSheet::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == confirm_ && event->type() == QEvent::Resize)
        deletingLabel_->setGeometry(confirm_->rect());
    return QDialog::eventFilter(watched, event);
}

void CloudDeleteConfirmSheet::refresh()
{
    nameLabel_->setText(QStringLiteral("\"%1\"").arg(projectName_));
    errorRow_->setVisible(error_.has_value());
    errorLabel_->setText(error_.value_or(QString()));
    cancel_->setEnabled(!deleting_);
    confirm_->setEnabled(!deleting_);
    confirm_->setLabel(deleting_ ? ui::ButtonLabel::textOnly(QString())
                                 : ui::ButtonLabel::symbolAndText(
                                     QStringLiteral("person.badge.key.fill"), QStringLiteral("Confirm with Google")));
    deletingLabel_->setVisible(deleting_);
    deletingLabel_->setGeometry(confirm_->rect());
    adjustSize();
}

} // namespace projects_ui
