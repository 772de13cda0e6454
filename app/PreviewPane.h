// PreviewPane: a look at what a file holds without converting it. A line plot of one property
// along a dimension chosen from a list, the other dimensions held at a step chosen with sliders
// (a store of two dimensions can also be shown as a family of curves, one per step of the other
// dimension), axis titles with names and units; beside it the header as `kynconvert --info`
// prints it, with the remarks and the history.
//
// Files are read on a thread of their own: the user-interface thread never waits for a load. A
// load that finishes after another file was asked for is thrown away.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "conversion/FileInfo.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QSlider;
class QVBoxLayout;

#if KYN_HAVE_CHARTS
QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
QT_END_NAMESPACE
#endif

namespace kyn::app {

// A file's values, as the preview draws them.
struct PreviewData {
    std::string path;
    std::string error;  // why it could not be read ("" when it was)
    FileInfo info;
    std::vector<std::string> propertyTitles;  // name, and unit where the vocabulary has one
    struct Axis {
        std::string name;
        std::string title;  // name and unit
        bool logarithmic = false;  // stepped logarithmically ("-log" among its flags)
        std::vector<float> values;
    };
    std::vector<Axis> axes;
    std::vector<float> values;  // the property varies slowest, axes[0] fastest
};

// Reads `path` for the preview (any thread).
std::shared_ptr<PreviewData> LoadPreview(const std::string& path);
// The header lines of `kynconvert --info`, then the remarks and the history.
QString HeaderText(const FileInfo& info);

class PreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPane(QWidget* parent = nullptr);
    ~PreviewPane() override;

    // Starts reading `path` on a thread; the pane shows it when it arrives.
    void ShowFile(const QString& path);
    // Shows data already read (the end of ShowFile, and for tests).
    void ShowData(std::shared_ptr<PreviewData> data);

    bool IsLoading() const { return loading_; }
    QString Path() const;
    QString Header() const;
    QString Message() const;
    // The chart's choices and what it draws.
    void SetProperty(int property);
    void SetAlong(int dimension);
    // Holds dimension `dimension` (not the one plotted along) at step `step`.
    void SetStep(int dimension, int step);
    void SetFamily(bool family);
    int SeriesCount() const;
    int PointCount(int series) const;
    QPointF Point(int series, int index) const;
    std::pair<double, double> XRange() const;
    std::pair<double, double> YRange() const;
    QString XTitle() const;
    // The plot's axis along the dimension is logarithmic (a "-log" axis of positive values).
    bool XLogarithmic() const { return xLog_; }
    QString YTitle() const;

signals:
    // A file asked for has been shown (or its failure).
    void Shown(const QString& path);

private slots:
    void TakeLoaded();

private:
    struct Channel;
    void RebuildControls();
    void Replot();

    std::shared_ptr<Channel> channel_;
    quint64 request_ = 0;
    bool loading_ = false;
    std::shared_ptr<PreviewData> data_;
    int property_ = 0;
    int along_ = 0;
    bool family_ = false;
    std::vector<int> steps_;  // per dimension

    QLabel* message_ = nullptr;
    QComboBox* propertyBox_ = nullptr;
    QComboBox* alongBox_ = nullptr;
    QCheckBox* familyBox_ = nullptr;
    QWidget* sliderArea_ = nullptr;
    QVBoxLayout* sliderLayout_ = nullptr;
    std::vector<QSlider*> sliders_;
    QPlainTextEdit* header_ = nullptr;
#if KYN_HAVE_CHARTS
    QChart* chart_ = nullptr;
    QChartView* chartView_ = nullptr;
#endif
    // What the chart draws, kept also where there is no chart library.
    std::vector<std::vector<QPointF>> series_;
    std::pair<double, double> xRange_{0, 0}, yRange_{0, 0};
    QString xTitle_, yTitle_;
    bool xLog_ = false;
};

}  // namespace kyn::app
