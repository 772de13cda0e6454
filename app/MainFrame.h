// CMainFrame: the main window. A menu, a toolbar, a status bar with the lock-key indicators, and
// the client window (CChildView) that takes dropped files. Commands are QActions whose data is
// the command id; the application object handles Convert..., Options..., About... and Always on
// Top, the frame handles the rest.
#pragma once

#include <QMainWindow>
#include <map>

#include "conversion/ConversionSettings.h"

class QAction;
class QLabel;
class QToolBar;
class QTimer;

namespace kyn::app {

class CChildView;
class ResultsPanel;
class PreviewPane;

// The target's name as the user knows it ("VarnixStore", "SimpleCSV" for the CSV target without
// its header), or "" for a target not known.
QString TargetDisplayName(const ConversionSettings& settings);

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(const ConversionSettings& settings, QWidget* parent = nullptr);

    CChildView* View() const { return view_; }
    ResultsPanel* Results() const { return results_; }
    PreviewPane* Preview() const { return preview_; }
    // Names the target in the status bar and in the drop picture (from the settings' target and
    // extension option).
    void ShowTarget(const ConversionSettings& settings);
    QString TargetText() const;
    // Shows the preview pane with `path` (read on a thread of its own).
    void PreviewFile(const QString& path);
    QToolBar* ToolBar() const { return toolBar_; }
    // The action of a command id (menu item, toolbar button or accelerator).
    QAction* Action(int commandId) const;
    // 1 keeps the window above all others, anything else releases it; the window is shown.
    void SetTopmost(int topmost);
    bool IsTopmost() const;
    // The idle text of the status bar.
    QString IdleText() const;

protected:
    void focusInEvent(QFocusEvent* event) override;
    // Closing during a job asks once: stop it and quit, or keep converting.
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(int id, const QString& text, const QString& prompt);
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void UpdateIndicators();

    // In this order: status bar, toolbar, client window.
    QLabel* idle_ = nullptr;
    QLabel* caps_ = nullptr;
    QLabel* num_ = nullptr;
    QLabel* scroll_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    CChildView* view_ = nullptr;
    ResultsPanel* results_ = nullptr;
    PreviewPane* preview_ = nullptr;
    QLabel* target_ = nullptr;
    QTimer* indicatorTimer_ = nullptr;
    std::map<int, QAction*> actions_;
};

}  // namespace kyn::app
