#pragma once

#include <QWidget>

#include <string>

class QLabel;
class QSplitter;

namespace varnett::ui { class SqlEditor; }

namespace varnett {

// Two texts side by side in read-only editors, the database's on the left
// and the folder's on the right, their lines aligned so that equal lines
// face each other: a blank filler line stands where one side has no line.
// Changed lines are marked on both sides, removed lines on the left, added
// lines on the right. Scrolling one editor scrolls the other. The margins
// number each text's own lines; filler lines have no number.
class SideBySideView : public QWidget {
    Q_OBJECT
public:
    // The markers of the lines, as markersAtLine() reports them (bit 1 << n).
    enum Marker { RemovedMarker = 0, AddedMarker = 1, ChangedMarker = 2, FillerMarker = 3 };

    explicit SideBySideView(QWidget* parent = nullptr);

    void setTexts(const std::string& database, const std::string& folder);
    // Empties both editors (nothing chosen).
    void clearTexts();

    QLabel* lblDatabase = nullptr;
    QLabel* lblFolder = nullptr;
    ui::SqlEditor* edtDatabase = nullptr;
    ui::SqlEditor* edtFolder = nullptr;
    QSplitter* splTexts = nullptr;
};

} // namespace varnett
