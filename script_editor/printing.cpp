// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing.h"

#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

namespace korvane::editor {
namespace {

// Lays out lines one below the other, wrapping long ones at the page width and
// starting a new page when the current one is full.
class PageWriter
{
public:
    PageWriter(QPrinter &printer, QPainter &painter)
        : m_printer(printer)
        , m_painter(painter)
        , m_page(printer.pageLayout().paintRectPixels(printer.resolution()))
    {
    }

    void setFont(const QFont &font) { m_font = QFont(font, &m_printer); }

    void printLine(const QString &line)
    {
        QTextLayout layout(line, m_font, &m_printer);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        qreal height = 0;
        while (true) {
            QTextLine textLine = layout.createLine();
            if (!textLine.isValid())
                break;
            textLine.setLineWidth(m_page.width());
            textLine.setPosition(QPointF(0, height));
            height += textLine.height();
        }
        layout.endLayout();
        if (height == 0) // an empty line still takes a line's height
            height = QFontMetricsF(m_font, &m_printer).lineSpacing();

        if (m_y > 0 && m_y + height > m_page.height()) {
            if (!m_printer.newPage())
                m_failed = true;
            m_y = 0;
        }
        layout.draw(&m_painter, QPointF(0, m_y));
        m_y += height;
    }

    bool failed() const { return m_failed; }

private:
    QPrinter &m_printer;
    QPainter &m_painter;
    QRect m_page;
    QFont m_font;
    qreal m_y = 0;
    bool m_failed = false;
};

} // namespace

QString printText(QPrinter &printer, const QString &heading, const QString &text, const QFont &font)
{
    if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty())
        return QStringLiteral("No printer is available: choose one, or a PDF file, in Print "
                              "Setup.");
    QPainter painter;
    if (!painter.begin(&printer))
        return QStringLiteral("The printer could not be started.");

    PageWriter writer(printer, painter);
    QFont headingFont = font;
    headingFont.setPointSizeF(kHeadingPointSize);
    writer.setFont(headingFont);
    writer.printLine(heading);
    for (int i = 0; i < 3; ++i)
        writer.printLine(QString());
    writer.setFont(font);
    const QStringList lines = text.split(u'\n');
    for (const QString &line : lines)
        writer.printLine(line);

    if (!painter.end() || writer.failed() || printer.printerState() == QPrinter::Error)
        return QStringLiteral("The document could not be printed.");
    return {};
}

} // namespace korvane::editor
