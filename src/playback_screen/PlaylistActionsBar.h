#pragma once

// The bar under the playlist: Delete Clip, Delete All, Export, Collapse/Expand All, Ask Support
// and Settings as compact accent pills. It is built once in both of its forms, a single row with
// full labels and two rows with shorter ones, and shows the single row whenever its natural width
// fits the bar's width. Labels and enabled states follow the playlist, the list selection and the
// collapsed takes, worked out once per turn of the event loop.
//
// Main thread only.

#include "playback_screen/OncePerTurn.h"
#include "playback_screen/PlaylistActionsState.h"

#include <QWidget>

#include <array>

namespace ui {
class StyledButton;
}

namespace playback_screen {

class PlaybackView;
class PlaylistModel;
class SupportPopover;

class PlaylistActionsBar final : public QWidget {
    Q_OBJECT
public:
    PlaylistActionsBar(PlaybackView& screen, PlaylistModel& model, QWidget* parent = nullptr);

    QWidget* singleRow() const { return single_; }
    QWidget* compactRows() const { return compact_; }
    bool showsSingleRow() const { return showsSingle_; }
    const PlaylistActionsState& state() const { return state_; }
    // The popover, once Ask Support has shown it.
    SupportPopover* supportPopover() const { return popover_; }
    // Works the labels and enabled states out now (the bar also does it on the next turn).
    void refresh();

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    enum Control { deleteClip, deleteAll, exportReport, collapseExpand, support, settingsLink, controlCount };
    struct Form {
        std::array<ui::StyledButton*, controlCount> buttons {};
    };

    QWidget* buildSingleRow();
    QWidget* buildCompactRows();
    ui::StyledButton* makeButton(Form& form, Control control, bool compact, const QString& objectName);
    void apply();
    void chooseForm();
    void run(Control control);
    void syncSupportPopover();

    PlaybackView& screen_;
    PlaylistModel& model_;
    Form singleForm_;
    Form compactForm_;
    QWidget* single_ = nullptr;
    QWidget* compact_ = nullptr;
    SupportPopover* popover_ = nullptr;
    PlaylistActionsState state_;
    bool showsSingle_ = true;
    OncePerTurn updates_ { this, [this] { apply(); } };
};

} // namespace playback_screen
