#include "app/PageDocuments.h"

#include "data/ReplacingFile.h"
#include "sqltext/Error.h"
#include "ui/EditorOps.h"
#include "ui/Modal.h"
#include "ui/SqlEditor.h"

#include <Qsci/qsciprinter.h>

#include <QCoreApplication>
#include <QPrinterInfo>

namespace varnett {

PageDocuments::PageDocuments(const std::array<ui::SqlEditor*, kPages>& editors)
    : m_editors(editors)
{
}

bool PageDocuments::savePage(int page)
{
    ui::SqlEditor* editor = m_editors[page];
    State& st = m_states[page];
    const QStringList pageLines = ui::lines(editor);
    if (pageLines.isEmpty())
        return true;
    // A page without a file name asks for one, as Save As does.
    if (st.askForFileName || st.documentName.isEmpty()) {
        ui::FileRequest request;
        request.objectName = QStringLiteral("sdMain");
        request.caption = QCoreApplication::translate("PageDocuments", "Save");
        request.defaultSuffix = QStringLiteral("PRC");
        request.nameFilters = {
            QCoreApplication::translate("PageDocuments", "SQL procedure files (.PRC) (*.PRC *.prc)"),
            QCoreApplication::translate("PageDocuments", "SQL files (.SQL) (*.SQL *.sql)"),
            QCoreApplication::translate("PageDocuments", "All files (*.*) (*)")};
        request.proposedName = st.documentName + QStringLiteral(".PRC");
        const std::optional<QString> path = ui::getSaveFileName(request);
        if (!path)
            return false;
        st.documentName = *path;
    }
    writeLinesFile(st.documentName, pageLines);
    st.askForFileName = false;
    editor->markSaved();
    markKnown(page);
    return true;
}

void PageDocuments::markKnown(int page)
{
    m_states[page].knownText = m_editors[page]->toPlainText();
}

bool PageDocuments::edited(int page) const
{
    const QString text = m_editors[page]->toPlainText();
    return !text.isEmpty() && text != m_states[page].knownText;
}

bool PageDocuments::saveAs(int page)
{
    m_states[page].askForFileName = true;
    return savePage(page);
}

void PageDocuments::saveAll()
{
    for (int page = 0; page < kPages; ++page)
        savePage(page);
}

void PageDocuments::print(int page)
{
    const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
    if (printerInfo.isNull())
        throw Error("No printer is installed. Install a printer to print a page");
    // The editor's own printing keeps the colours and the line numbers.
    QsciPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(printerInfo.printerName());
    printer.setDocName(m_states[page].documentName);
    printer.setWrapMode(QsciScintilla::WrapWord);
    printer.printRange(m_editors[page]);
}

void writeLinesFile(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    data::replaceFile(path.toStdString(), std::string_view(bytes.constData(),
                                                           static_cast<std::size_t>(bytes.size())));
}

} // namespace varnett
