#pragma once

// The support popover: a small card with an arrow on its top edge, hung under the Ask Support
// button, inviting the user to the community chat. Its Join button opens the configured invite
// link in the user's browser, but only a link that parses as an https address: anything else
// (the empty default among them) does nothing. Clicking outside closes it; closing is announced by
// dismissed().
//
// Main thread only.

#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

namespace ui {
class StyledButton;
}

namespace playback_screen {

class SupportPopover final : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 280;
    static constexpr int arrowHeight = 9;

    using LinkOpener = std::function<void(const QUrl&)>;
    // `openLink` defaults to the desktop's handler for web addresses.
    SupportPopover(QString inviteLink, LinkOpener openLink = {}, QWidget* parent = nullptr);

    // The address the Join button opens for `link`; none unless it is a valid https address.
    static std::optional<QUrl> inviteURL(const QString& link);
    // The link built into the application (empty unless the build sets one).
    static QString builtInInviteLink();

    // Shows the card under `anchor`, its arrow pointing at the anchor's bottom centre.
    void popUpUnder(QWidget* anchor);
    ui::StyledButton* joinButton() const { return join_; }

signals:
    void dismissed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void joinCommunity();

    QString inviteLink_;
    LinkOpener openLink_;
    ui::StyledButton* join_ = nullptr;
    int arrowX_ = contentWidth / 2;
};

} // namespace playback_screen
