#pragma once
// A status bar of panels (each of a set width, the last one reaching the right edge) that hosts
// child controls: a child placed on it keeps the position it was given, in the bar's own
// coordinates, and is drawn over the panels.

#include <QStatusBar>
#include <QString>
#include <vector>

struct TStatusPanel {
    QString Text;
    int Width = 50;
};

// Where each panel lies in a bar of the given width: panels side by side from the left, the last
// one stretched to the right edge (never narrower than zero).
std::vector<QRect> StatusPanelRects(const std::vector<int>& widths, int barWidth, int barHeight);

class THostStatusBar : public QStatusBar {
    Q_OBJECT
    Q_PROPERTY(bool SimplePanel READ SimplePanel WRITE SetSimplePanel)
    Q_PROPERTY(QString SimpleText READ SimpleText WRITE SetSimpleText)
public:
    explicit THostStatusBar(QWidget* parent = nullptr);

    int PanelCount() const { return int(panels_.size()); }
    // Adds a panel at the end and returns its index.
    int AddPanel(int width, const QString& text = {});
    const TStatusPanel& Panel(int index) const { return panels_.at(index); }
    void SetPanelText(int index, const QString& text);
    void SetPanelWidth(int index, int width);
    // The panel's rectangle as it is painted now.
    QRect PanelRect(int index) const;

    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool simple);
    QString SimpleText() const { return simpleText_; }
    void SetSimpleText(const QString& text);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<TStatusPanel> panels_;
    bool simplePanel_ = false;
    QString simpleText_;

    void TextsChanged();
};
