// ResultsPanel: what became of every input of every job since the program started, one row each:
// the file, its state with an icon (waiting, converting, converted, converted with warnings,
// skipped, failed, passed over, not reached), the output, the reason and the warnings, as the job
// reports them for each file. Double-clicking a row opens the folder of its output (or of its
// input when nothing was written); the context menu copies the paths or the reason; Clear takes
// away the rows of jobs that have ended.
#pragma once

#include <QWidget>
#include <filesystem>
#include <functional>
#include <vector>

#include "conversion/JobPlatform.h"

class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kyn::app {

class ResultsPanel : public QWidget {
    Q_OBJECT
public:
    enum class State { Waiting, Converting, Converted, ConvertedWithWarnings, Skipped, Failed, PassedOver, NotReached };
    enum Column { kFile, kState, kOutput, kReason, kWarnings, kColumns };

    explicit ResultsPanel(QWidget* parent = nullptr);

    // A job has started over these inputs: one waiting row each, in the order given.
    void AddJob(quint64 generation, const std::vector<std::filesystem::path>& inputs);
    // The job's status: the row of the file being converted says so.
    void ShowStatus(quint64 generation, const JobStatus& status);
    // One input's end.
    void AddResult(quint64 generation, const FileResult& result);
    // The job's worker has returned: rows still waiting were never reached (the job was stopped).
    void EndJob(quint64 generation);
    // Takes away the rows of ended jobs; rows of a running job stay.
    void ClearFinished();

    int RowCount() const;
    State StateOf(int row) const;
    QString Text(int row, Column column) const;
    QString InputPath(int row) const;
    QString OutputPath(int row) const;
    QTreeWidget* Tree() const { return tree_; }
    static QString StateName(State state);

    // Opens a folder in the desktop's file manager; tests replace it.
    using FolderOpener = std::function<void(const QString& folder)>;
    void SetFolderOpener(FolderOpener opener) { opener_ = std::move(opener); }
    // Opens the folder of a row's output, or of its input when there is no output.
    void OpenFolderOf(int row);
    // The context menu of a row (its actions named copyInput, copyOutput, copyReason, openFolder,
    // clear); the caller owns it.
    QMenu* MenuFor(int row);

signals:
    // Files dropped on the list, to be converted like files dropped on the picture.
    void FilesDropped(const std::vector<std::filesystem::path>& paths);
    // A row was selected: the file to preview (its input, or its output once the input is gone).
    void FileSelected(const QString& path);

public:
    // Whether drops are taken (not while a job is up).
    void SetAcceptingFiles(bool accepting) { accepting_ = accepting; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QTreeWidgetItem* FindRow(quint64 generation, const QString& input, bool waitingOnly) const;
    void SetState(QTreeWidgetItem* item, State state);

    QTreeWidget* tree_ = nullptr;
    QPushButton* clear_ = nullptr;
    FolderOpener opener_;
    bool accepting_ = true;
};

}  // namespace kyn::app
