#include "printing/QtPrintSink.h"

#include "platform/Painting.h"

#include <QFile>
#include <QFontMetrics>
#include <QPageLayout>

namespace {
QString Text(std::u32string_view text)
{
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

TQtPrintSink::TQtPrintSink() : printer_(QPrinter::HighResolution)
{
    printer_.setResolution(600);
    printer_.setFullPage(false);
    // The printable area is the device's; the job's own margins place the text.
    printer_.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

TQtPrintSink::~TQtPrintSink()
{
    if (painter_.isActive()) AbortDoc();
}

TPageGeometry TQtPrintSink::Geometry() const
{
    const QRect paper = printer_.paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = printer_.pageRect(QPrinter::DevicePixel).toRect();
    TPageGeometry g;
    g.pageWidth = paper.width();
    g.pageHeight = paper.height();
    g.offsetLeft = page.left() - paper.left();
    g.offsetTop = page.top() - paper.top();
    g.printableWidth = page.width();
    g.printableHeight = page.height();
    g.pixelsPerInchX = g.pixelsPerInchY = printer_.resolution() > 0 ? printer_.resolution() : 600;
    return g;
}

void TQtPrintSink::SetTitle(const std::string& title) { printer_.setDocName(QString::fromStdString(title)); }

void TQtPrintSink::SetOrientation(TPrinterOrientation orientation)
{
    printer_.setPageOrientation(orientation == TPrinterOrientation::poLandscape ? QPageLayout::Landscape
                                                                                 : QPageLayout::Portrait);
}

TPrinterOrientation TQtPrintSink::Orientation() const
{
    return printer_.pageLayout().orientation() == QPageLayout::Landscape ? TPrinterOrientation::poLandscape
                                                                         : TPrinterOrientation::poPortrait;
}

bool TQtPrintSink::BeginDoc()
{
    if (!painter_.begin(&printer_)) return false;
    // The PDF device keeps the last job's pen as its own, while a new painter starts from black:
    // without a change the first text of the next job would take the old colour.
    painter_.setPen(Qt::NoPen);
    painter_.setPen(Qt::black);
    painter_.setFont(font_);
    return true;
}

bool TQtPrintSink::NewPage() { return printer_.newPage(); }

bool TQtPrintSink::EndDoc() { return painter_.end(); }

void TQtPrintSink::AbortDoc()
{
    printer_.abort();
    if (painter_.isActive()) painter_.end();
    // Half a document is no document: a file the job began is not left looking complete.
    if (PrintsToFile()) QFile::remove(printer_.outputFileName());
}

bool TQtPrintSink::PrintsToFile() const { return !printer_.outputFileName().isEmpty(); }

void TQtPrintSink::SetFont(const TPrintFont& font)
{
    QFont f(QString::fromStdString(font.name));
    f.setPointSizeF(font.size > 0 ? font.size : 10);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    font_ = QFont(f, &printer_);
    color_ = painting::ToQColor(font.color);
    if (painter_.isActive()) painter_.setFont(font_);
}

int TQtPrintSink::TextWidth(std::u32string_view text)
{
    return QFontMetrics(font_, &printer_).horizontalAdvance(Text(text));
}

int TQtPrintSink::TextHeight()
{
    const QFontMetrics metrics(font_, &printer_);
    return metrics.height() + std::max(0, metrics.leading());
}

void TQtPrintSink::TextOut(int x, int y, std::u32string_view text)
{
    if (!painter_.isActive()) return;
    painter_.setPen(color_);
    painter_.drawText(QPoint(x, y + QFontMetrics(font_, &printer_).ascent()), Text(text));
}

void TQtPrintSink::Line(int x1, int y1, int x2, int y2, int penWidth)
{
    if (!painter_.isActive()) return;
    QPen pen(Qt::black, penWidth);
    pen.setCapStyle(Qt::SquareCap);
    painter_.setPen(pen);
    painter_.drawLine(x1, y1, x2, y2);
}

void TQtPrintSink::StretchDraw(const TRect& rect, const QImage& image)
{
    if (!painter_.isActive()) return;
    painter_.drawImage(QRect(rect.Left, rect.Top, RectWidth(rect), RectHeight(rect)), image);
}
