#include "app/PreviewPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>

#if KYN_HAVE_CHARTS
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QValueAxis>
#endif

#include "datastore/DataStore.h"
#include "datastore/Vocabulary.h"

namespace kyn::app {

namespace {

// Units of the usual axes, by the kind word of the axis name.
std::string AxisUnit(const std::string& kind) {
    if (kind == "Time") return "s";
    if (kind == "Wavelength") return "nm";
    if (kind == "Temperature") return "\u00b0C";
    return {};
}

std::string KindOf(const std::string& name) { return name.substr(0, name.find(' ')); }

QString Number(double v) { return QString::number(v, 'g', 6); }

// More curves than this are not told apart by anyone.
constexpr int kMaxFamily = 64;

}  // namespace

std::shared_ptr<PreviewData> LoadPreview(const std::string& path) {
    auto data = std::make_shared<PreviewData>();
    data->path = path;
    std::string reason;
    std::optional<FileInfo> info = DescribeFile(path, reason);
    if (!info) {
        data->error = reason.empty() ? "it cannot be read" : reason;
        return data;
    }
    data->info = *info;
    DataStore ds(true);
    try {
        if (!ds.Load(path, false)) {
            data->error = "it cannot be read";
            return data;
        }
    } catch (const std::exception& e) {
        data->error = e.what();
        while (!data->error.empty() && data->error.back() == '\n') data->error.pop_back();
        return data;
    }
    for (int p = 0; p < ds.properties.Count(); ++p) {
        const std::string& entry = ds.properties.At(p);
        const std::optional<UnitRow> unit = FindUnitRow(entry);
        std::string title = ds.GetPropertyName(p, true);
        if (unit && unit->shortLabel && *unit->shortLabel && title != unit->shortLabel)
            title += std::string(" (") + unit->fullLabel + ")";
        data->propertyTitles.push_back(title);
    }
    for (int d = 0; d < ds.dimensions.Count(); ++d) {
        const Dimension& dim = ds.dimensions.At(d);
        PreviewData::Axis axis;
        axis.name = dim.name;
        const std::string unit = AxisUnit(KindOf(dim.name));
        axis.title = ds.GetDimensionName(d, true) + (unit.empty() ? "" : " (" + unit + ")");
        axis.logarithmic = (" " + dim.name + " ").find(" -log ") != std::string::npos;
        for (int i = 0; i < dim.Steps(); ++i) axis.values.push_back(dim.values.At(i));
        data->axes.push_back(std::move(axis));
    }
    const std::int64_t n = ds.ValueCount();
    data->values.resize(static_cast<std::size_t>(n));
    for (std::int64_t i = 0; i < n; ++i) data->values[static_cast<std::size_t>(i)] = ds.data[i];
    return data;
}

QString HeaderText(const FileInfo& info) {
    QStringList lines;
    const auto q = [](const std::string& s) { return QString::fromStdString(s); };
    lines << q(info.path);
    lines << QStringLiteral("  format: %1").arg(q(info.format));
    lines << QStringLiteral("  title: %1").arg(q(info.title));
    lines << QStringLiteral("  properties: %1").arg(info.properties.size());
    for (std::size_t p = 0; p < info.properties.size(); ++p)
        lines << QStringLiteral("    %1: %2").arg(p).arg(q(info.properties[p]));
    lines << QStringLiteral("  dimensions: %1").arg(info.dimensions.size());
    for (std::size_t d = 0; d < info.dimensions.size(); ++d) {
        const AxisInfo& a = info.dimensions[d];
        lines << QStringLiteral("    %1: %2, %3 steps, %4 to %5")
                     .arg(d)
                     .arg(q(a.name))
                     .arg(a.steps)
                     .arg(Number(a.lowest), Number(a.highest));
    }
    lines << QStringLiteral("  values: %1, %2 to %3").arg(info.values).arg(Number(info.minValue), Number(info.maxValue));
    lines << QStringLiteral("  history: %1 entries").arg(info.historyEntries);
    if (!info.remarks.empty()) {
        lines << QString() << QStringLiteral("Remarks:");
        for (const std::string& r : info.remarks) lines << QStringLiteral("  ") + q(r);
    }
    if (!info.history.empty()) {
        lines << QString() << QStringLiteral("History:");
        for (const std::string& h : info.history) {
            QString text = q(h);
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            for (const QString& l : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) lines << QStringLiteral("  ") + l;
        }
    }
    return lines.join(QLatin1Char('\n'));
}

// Where loaded files wait for the user-interface thread. The loading threads reach the pane only
// through it, under its mutex; the pane withdraws itself when it goes.
struct PreviewPane::Channel {
    std::mutex mutex;
    QObject* receiver = nullptr;  // under mutex
    std::deque<std::pair<quint64, std::shared_ptr<PreviewData>>> done;
};

PreviewPane::PreviewPane(QWidget* parent) : QWidget(parent), channel_(std::make_shared<Channel>()) {
    setObjectName(QStringLiteral("PreviewPane"));
    channel_->receiver = this;

    message_ = new QLabel(tr("Select a row of the results to look at its file."), this);
    message_->setWordWrap(true);
    propertyBox_ = new QComboBox(this);
    propertyBox_->setObjectName(QStringLiteral("PreviewProperty"));
    alongBox_ = new QComboBox(this);
    alongBox_->setObjectName(QStringLiteral("PreviewAlong"));
    familyBox_ = new QCheckBox(tr("All &curves"), this);
    familyBox_->setToolTip(tr("Draw one curve for each step of the other dimension"));
    familyBox_->setEnabled(false);
    sliderArea_ = new QWidget(this);
    sliderLayout_ = new QVBoxLayout(sliderArea_);
    sliderLayout_->setContentsMargins(0, 0, 0, 0);
    header_ = new QPlainTextEdit(this);
    header_->setObjectName(QStringLiteral("PreviewHeader"));
    header_->setReadOnly(true);
    header_->setLineWrapMode(QPlainTextEdit::NoWrap);
    header_->setFont(QFont(QStringLiteral("monospace")));

    auto* choices = new QFormLayout;
    choices->addRow(tr("&Property:"), propertyBox_);
    auto* alongRow = new QHBoxLayout;
    alongRow->addWidget(alongBox_, 1);
    alongRow->addWidget(familyBox_);
    auto* alongLabel = new QLabel(tr("&Along:"), this);
    alongLabel->setBuddy(alongBox_);
    choices->addRow(alongLabel, alongRow);

    auto* plotSide = new QWidget(this);
    auto* plotLayout = new QVBoxLayout(plotSide);
    plotLayout->setContentsMargins(0, 0, 0, 0);
    plotLayout->addWidget(message_);
    plotLayout->addLayout(choices);
#if KYN_HAVE_CHARTS
    chart_ = new QChart;
    chart_->legend()->hide();
    chartView_ = new QChartView(chart_, plotSide);
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->setMinimumSize(260, 180);
    plotLayout->addWidget(chartView_, 1);
#else
    plotLayout->addStretch(1);
#endif
    plotLayout->addWidget(sliderArea_);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(plotSide);
    split->addWidget(header_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(split);

    connect(propertyBox_, &QComboBox::activated, this, &PreviewPane::SetProperty);
    connect(alongBox_, &QComboBox::activated, this, &PreviewPane::SetAlong);
    connect(familyBox_, &QCheckBox::toggled, this, &PreviewPane::SetFamily);
}

PreviewPane::~PreviewPane() {
    std::lock_guard lock(channel_->mutex);
    channel_->receiver = nullptr;
}

void PreviewPane::ShowFile(const QString& path) {
    const quint64 request = ++request_;
    loading_ = true;
    message_->setText(tr("Reading %1...").arg(QFileInfo(path).fileName()));
    const QByteArray local = QFile::encodeName(path);
    std::thread([channel = channel_, request, file = local.toStdString()] {
        std::shared_ptr<PreviewData> data = LoadPreview(file);
        std::lock_guard lock(channel->mutex);
        if (!channel->receiver) return;
        channel->done.emplace_back(request, std::move(data));
        QMetaObject::invokeMethod(channel->receiver, "TakeLoaded", Qt::QueuedConnection);
    }).detach();
}

void PreviewPane::TakeLoaded() {
    std::deque<std::pair<quint64, std::shared_ptr<PreviewData>>> done;
    {
        std::lock_guard lock(channel_->mutex);
        done.swap(channel_->done);
    }
    for (auto& [request, data] : done)
        if (request == request_) ShowData(std::move(data));  // earlier requests are stale
}

void PreviewPane::ShowData(std::shared_ptr<PreviewData> data) {
    loading_ = false;
    data_ = std::move(data);
    property_ = 0;
    along_ = 0;
    family_ = false;
    const QString path = QString::fromStdString(data_->path);
    if (!data_->error.empty()) {
        message_->setText(tr("%1 cannot be shown: %2").arg(QFileInfo(path).fileName(), QString::fromStdString(data_->error)));
        header_->clear();
        steps_.clear();
    } else {
        const QString title = QString::fromStdString(data_->info.title);
        message_->setText(title.isEmpty() ? QFileInfo(path).fileName() : QFileInfo(path).fileName() + QStringLiteral(": ") + title);
        header_->setPlainText(HeaderText(data_->info));
        steps_.assign(data_->axes.size(), 0);
        // The longest dimension is the natural one to plot along.
        for (std::size_t d = 0; d < data_->axes.size(); ++d)
            if (data_->axes[d].values.size() > data_->axes[static_cast<std::size_t>(along_)].values.size())
                along_ = static_cast<int>(d);
    }
    RebuildControls();
    Replot();
    emit Shown(path);
}

QString PreviewPane::Path() const { return data_ ? QString::fromStdString(data_->path) : QString(); }
QString PreviewPane::Header() const { return header_->toPlainText(); }
QString PreviewPane::Message() const { return message_->text(); }

void PreviewPane::RebuildControls() {
    const QSignalBlocker b1(propertyBox_), b2(alongBox_), b3(familyBox_);
    propertyBox_->clear();
    alongBox_->clear();
    for (QSlider* s : sliders_) {
        s->parentWidget()->hide();
        s->parentWidget()->deleteLater();
    }
    sliders_.clear();
    if (!data_ || !data_->error.empty()) return;
    for (const std::string& t : data_->propertyTitles) propertyBox_->addItem(QString::fromStdString(t));
    for (const PreviewData::Axis& a : data_->axes) alongBox_->addItem(QString::fromStdString(a.name));
    propertyBox_->setCurrentIndex(property_);
    alongBox_->setCurrentIndex(along_);
    familyBox_->setChecked(family_);
    familyBox_->setEnabled(data_->axes.size() == 2);
    for (std::size_t d = 0; d < data_->axes.size(); ++d) {
        auto* row = new QWidget(sliderArea_);
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        const PreviewData::Axis& axis = data_->axes[d];
        auto* label = new QLabel(row);
        auto* slider = new QSlider(Qt::Horizontal, row);
        slider->setObjectName(QStringLiteral("PreviewStep%1").arg(d));
        slider->setRange(0, std::max(0, static_cast<int>(axis.values.size()) - 1));
        slider->setValue(steps_[d]);
        const auto showStep = [label, axis](int step) {
            const double v = step < static_cast<int>(axis.values.size()) ? axis.values[static_cast<std::size_t>(step)] : 0.0;
            label->setText(QStringLiteral("%1 = %2").arg(QString::fromStdString(axis.title), Number(v)));
        };
        showStep(steps_[d]);
        connect(slider, &QSlider::valueChanged, this, [this, d, showStep](int step) {
            showStep(step);
            SetStep(static_cast<int>(d), step);
        });
        h->addWidget(label);
        h->addWidget(slider, 1);
        sliderLayout_->addWidget(row);
        sliders_.push_back(slider);
        // Only the dimensions not plotted along are held at a step.
        row->setVisible(static_cast<int>(d) != along_ && !(family_ && data_->axes.size() == 2) &&
                        axis.values.size() > 1);
    }
}

void PreviewPane::SetProperty(int property) {
    if (!data_ || property < 0 || property >= static_cast<int>(data_->propertyTitles.size())) return;
    property_ = property;
    propertyBox_->setCurrentIndex(property);
    Replot();
}

void PreviewPane::SetAlong(int dimension) {
    if (!data_ || dimension < 0 || dimension >= static_cast<int>(data_->axes.size())) return;
    along_ = dimension;
    RebuildControls();
    Replot();
}

void PreviewPane::SetStep(int dimension, int step) {
    if (!data_ || dimension < 0 || dimension >= static_cast<int>(steps_.size())) return;
    steps_[static_cast<std::size_t>(dimension)] = step;
    if (sliders_.size() == steps_.size() && sliders_[static_cast<std::size_t>(dimension)]->value() != step)
        sliders_[static_cast<std::size_t>(dimension)]->setValue(step);  // comes back here once
    Replot();
}

void PreviewPane::SetFamily(bool family) {
    if (!data_) return;
    family_ = family && data_->axes.size() == 2;
    RebuildControls();
    Replot();
}

void PreviewPane::Replot() {
    series_.clear();
    xTitle_.clear();
    yTitle_.clear();
    xLog_ = false;
    xRange_ = yRange_ = {0, 0};
    if (data_ && data_->error.empty() && !data_->axes.empty() && !data_->propertyTitles.empty()) {
        const auto& axes = data_->axes;
        const std::size_t n = axes.size();
        // Offsets in the value block: axes[0] fastest, the property slowest.
        std::vector<std::int64_t> stride(n + 1, 1);
        for (std::size_t d = 0; d < n; ++d) stride[d + 1] = stride[d] * static_cast<std::int64_t>(axes[d].values.size());
        const std::size_t a = static_cast<std::size_t>(along_);
        const auto curve = [&](const std::vector<int>& steps) {
            std::int64_t base = static_cast<std::int64_t>(property_) * stride[n];
            for (std::size_t d = 0; d < n; ++d)
                if (d != a) base += static_cast<std::int64_t>(steps[d]) * stride[d];
            std::vector<QPointF> points;
            for (std::size_t i = 0; i < axes[a].values.size(); ++i) {
                const std::int64_t at = base + static_cast<std::int64_t>(i) * stride[a];
                if (at < 0 || at >= static_cast<std::int64_t>(data_->values.size())) break;
                const double y = data_->values[static_cast<std::size_t>(at)];
                if (std::isfinite(y)) points.emplace_back(axes[a].values[i], y);
            }
            series_.push_back(std::move(points));
        };
        if (family_ && n == 2) {
            const std::size_t other = 1 - a;
            std::vector<int> steps = steps_;
            const int count = std::min<int>(kMaxFamily, static_cast<int>(axes[other].values.size()));
            for (int s = 0; s < count; ++s) {
                steps[other] = s;
                curve(steps);
            }
        } else {
            curve(steps_);
        }
        double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
        for (const auto& points : series_)
            for (const QPointF& p : points) {
                x0 = std::min(x0, p.x());
                x1 = std::max(x1, p.x());
                y0 = std::min(y0, p.y());
                y1 = std::max(y1, p.y());
            }
        if (x0 <= x1) {
            xRange_ = {x0, x1};
            yRange_ = {y0, y1};
        }
        xTitle_ = QString::fromStdString(axes[a].title);
        // Times stepped logarithmically span decades: they are drawn so.
        xLog_ = axes[a].logarithmic && xRange_.first > 0 && xRange_.first < xRange_.second;
        yTitle_ = QString::fromStdString(data_->propertyTitles[static_cast<std::size_t>(property_)]);
    }
#if KYN_HAVE_CHARTS
    chart_->removeAllSeries();
    for (QAbstractAxis* axis : chart_->axes()) {
        chart_->removeAxis(axis);
        delete axis;
    }
    if (series_.empty()) return;
    QAbstractAxis* x = nullptr;
    auto* y = new QValueAxis;
    // A flat curve still gets a visible range.
    const auto padded = [](std::pair<double, double> r) {
        if (r.first < r.second) return r;
        const double d = r.first == 0 ? 1.0 : std::fabs(r.first) * 0.05;
        return std::pair{r.first - d, r.second + d};
    };
    const auto [xa, xb] = padded(xRange_);
    const auto [ya, yb] = padded(yRange_);
    if (xLog_) {
        auto* logX = new QLogValueAxis;
        logX->setBase(10);
        logX->setLabelFormat(QStringLiteral("%g"));
        logX->setRange(xRange_.first, xRange_.second);
        x = logX;
    } else {
        auto* linearX = new QValueAxis;
        linearX->setRange(xa, xb);
        x = linearX;
    }
    x->setTitleText(xTitle_);
    y->setTitleText(yTitle_);
    y->setRange(ya, yb);
    chart_->addAxis(x, Qt::AlignBottom);
    chart_->addAxis(y, Qt::AlignLeft);
    for (const auto& points : series_) {
        auto* s = new QLineSeries;
        s->append(QList<QPointF>(points.begin(), points.end()));
        chart_->addSeries(s);
        s->attachAxis(x);
        s->attachAxis(y);
    }
#endif
}

int PreviewPane::SeriesCount() const {
#if KYN_HAVE_CHARTS
    return static_cast<int>(chart_->series().size());
#else
    return static_cast<int>(series_.size());
#endif
}

int PreviewPane::PointCount(int series) const { return static_cast<int>(series_.at(static_cast<std::size_t>(series)).size()); }
QPointF PreviewPane::Point(int series, int index) const {
    return series_.at(static_cast<std::size_t>(series)).at(static_cast<std::size_t>(index));
}
std::pair<double, double> PreviewPane::XRange() const { return xRange_; }
std::pair<double, double> PreviewPane::YRange() const { return yRange_; }
QString PreviewPane::XTitle() const { return xTitle_; }
QString PreviewPane::YTitle() const { return yTitle_; }

}  // namespace kyn::app
