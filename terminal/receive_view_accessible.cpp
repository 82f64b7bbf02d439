#include "terminal/receive_view_accessible.h"

#include "terminal/receive_view.h"

#include <QAccessibleWidget>
#include <algorithm>

namespace {

// Tells assistive tools what the area holds: a read-only, multi-line text whose value is its text, and
// the text itself by character, word and line, with the caret, the selection and where each
// character is on the screen.
class CReceiveViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit CReceiveViewAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return View()->toPlainText();
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    void selection(int index, int* startOffset, int* endOffset) const override {
        const bool any = index == 0 && selectionCount() == 1;
        *startOffset = any ? View()->SelectionStart() : 0;
        *endOffset = any ? View()->SelectionEnd() : 0;
    }
    int selectionCount() const override { return View()->SelectionStart() != View()->SelectionEnd() ? 1 : 0; }
    // The area has one selection, as an edit box does; adding one replaces it.
    void addSelection(int startOffset, int endOffset) override {
        View()->SetSelection(startOffset, endOffset);
    }
    void removeSelection(int index) override {
        if (index == 0)
            View()->SetSelection(View()->CursorPosition(), View()->CursorPosition());
    }
    void setSelection(int index, int startOffset, int endOffset) override {
        if (index == 0)
            View()->SetSelection(startOffset, endOffset);
    }
    int cursorPosition() const override { return View()->CursorPosition(); }
    void setCursorPosition(int position) override { View()->SetSelection(position, position); }

    QString text(int startOffset, int endOffset) const override {
        const QString all = View()->toPlainText();
        const int from = std::clamp(startOffset, 0, int(all.size()));
        return all.mid(from, std::clamp(endOffset, from, int(all.size())) - from);
    }
    int characterCount() const override { return int(View()->toPlainText().size()); }

    // A line is a row as the area shows it, with the line break that ends it, as a stock edit box
    // reports lines; hex display has no line breaks at all, and its one paragraph would be all text.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                         int* endOffset) const override {
        if (type != QAccessible::LineBoundary)
            return QAccessibleTextInterface::textAtOffset(offset, type, startOffset, endOffset);
        return RowText(RowAround(offset, 0), startOffset, endOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                             int* endOffset) const override {
        if (type != QAccessible::LineBoundary)
            return QAccessibleTextInterface::textBeforeOffset(offset, type, startOffset, endOffset);
        return RowText(RowAround(offset, -1), startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* startOffset,
                            int* endOffset) const override {
        if (type != QAccessible::LineBoundary)
            return QAccessibleTextInterface::textAfterOffset(offset, type, startOffset, endOffset);
        return RowText(RowAround(offset, 1), startOffset, endOffset);
    }

    QRect characterRect(int offset) const override {
        const QRect r = View()->CharacterRect(offset);
        return r.isNull() ? r : QRect(View()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        const QPoint local = View()->viewport()->mapFromGlobal(point);
        return View()->viewport()->rect().contains(local) ? View()->PositionAt(local) : -1;
    }
    void scrollToSubstring(int startIndex, int) override { View()->ScrollToShow(startIndex); }
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0; // plain text: no attributes anywhere
        *endOffset = characterCount();
        return QString();
    }

private:
    CReceiveView* View() const { return static_cast<CReceiveView*>(widget()); }
    // The row `step` rows away from the one holding `offset` (-1: the end of the text), or -1.
    long RowAround(int offset, int step) const {
        const int count = characterCount();
        if (offset == -1)
            offset = count;
        if (offset < 0 || offset > count)
            return -1;
        const long r = long(View()->Layout().RowOf(offset)) + step;
        return r >= 0 && r < long(View()->Layout().Rows().size()) ? r : -1;
    }
    QString RowText(long r, int* startOffset, int* endOffset) const {
        const auto& rows = View()->Layout().Rows();
        if (r < 0) {
            *startOffset = *endOffset = -1;
            return QString();
        }
        *startOffset = rows[std::size_t(r)].start;
        *endOffset = std::size_t(r) + 1 < rows.size() ? rows[std::size_t(r) + 1].start : characterCount();
        return text(*startOffset, *endOffset);
    }
};

} // namespace

QAccessibleInterface* ReceiveViewAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("CReceiveView") && object && object->isWidgetType())
        return new CReceiveViewAccessible(static_cast<QWidget*>(object));
    return nullptr;
}
