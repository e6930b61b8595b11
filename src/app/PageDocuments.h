#pragma once

#include <QString>

#include <array>

namespace varnett::ui { class SqlEditor; }

namespace varnett {

// The document state of the five pages and the commands that treat pages
// as documents: saving to procedure files and printing.
class PageDocuments {
public:
    struct State {
        QString documentName;       // default file name, file written, print title
        bool askForFileName = true; // the next save shows the save dialog
        QString procedureName;      // Edit page: the procedure it was opened from
        QString knownText;          // the text as last built, opened, saved or sent
    };

    static constexpr int kPages = 5;   // Insert, Update, Delete, Edit, Select

    explicit PageDocuments(const std::array<ui::SqlEditor*, kPages>& editors);

    State& state(int page) { return m_states[page]; }
    const State& state(int page) const { return m_states[page]; }

    // Save page: asks for a file name when the flag is set or no name is
    // known, writes the lines with CR LF, clears the flag. Returns false when
    // the user cancelled. A failure to write throws, leaving the old file.
    bool savePage(int page);
    bool saveAs(int page);
    // Saves the pages in turn (empty ones ask nothing); a failure ends the run.
    void saveAll();

    // The page's text is as it was built, opened, saved or sent: a command
    // may replace it without asking.
    void markKnown(int page);
    // Whether the page holds text that was changed by hand since then (an
    // empty page holds none).
    bool edited(int page) const;

    // Prints a page on the default printer; throws when there is none.
    void print(int page);

private:
    std::array<ui::SqlEditor*, kPages> m_editors;
    std::array<State, kPages> m_states;
};

// Writes lines, each followed by CR LF, as UTF-8 to a temporary file beside
// the target and renames it over the target. Throws varnett::Error on failure;
// the target is then unchanged.
void writeLinesFile(const QString& path, const QStringList& lines);

} // namespace varnett
