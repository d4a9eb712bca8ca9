#pragma once

// A segmented choice drawn as a row of capsules on a capsule track. The selected segment is filled
// with the accent colour. Option values are compared for equality only, so two options with equal
// values are selected together.
//
// The selection is a two-way binding: setSelection() writes it from the model (and repaints),
// clicking a segment writes the option's value and reports it with activated() (user writes only).

#include <QAbstractButton>
#include <QVariant>
#include <QWidget>

#include <optional>
#include <vector>

namespace ui {

class ValueAnimator;

class SegmentedPillControl final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QVariant selection READ selection WRITE setSelection NOTIFY selectionChanged)
public:
    struct Option {
        QVariant value;
        QString label;
        std::optional<QString> icon; // symbol name
    };

    class Segment;

    SegmentedPillControl(std::vector<Option> options, QVariant selection, QWidget* parent = nullptr);

    const std::vector<Option>& options() const { return options_; }
    QVariant selection() const { return selection_; }
    void setSelection(const QVariant& value);

    int segmentCount() const { return static_cast<int>(segments_.size()); }
    Segment* segment(int index) const { return segments_.at(static_cast<std::size_t>(index)); }

signals:
    // Every assignment of the selection, from the model or from a click.
    void selectionChanged(const QVariant& value);
    // A click on a segment, with its option's value.
    void activated(const QVariant& value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshSegments();

    std::vector<Option> options_;
    QVariant selection_;
    std::vector<Segment*> segments_;
};

// One segment: a plain button (no platform chrome) with the option's symbol and label.
class SegmentedPillControl::Segment final : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr double selectionAnimationDuration = 0.18;

    Segment(const Option& option, QWidget* parent);

    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    // Ends a running change at once.
    void settle();
    // 0 unselected, 1 selected (between while the change animates).
    double selectionProgress() const;
    QColor fillColor() const;
    QColor foregroundColor() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString label_;
    std::optional<QString> icon_;
    bool selected_ = false;
    ValueAnimator* progress_;
};

} // namespace ui
