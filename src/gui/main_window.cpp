// The main window's layout and what its own controls do.

#include "gui/main_window.h"

#include <QAction>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/about_box.h"
#include "gui/artwork.h"
#include "gui/station_pages.h"

namespace halvo::gui {

namespace {

constexpr int kIndicatorSize = 16;

QLineEdit* NameField(const char* name, const char* text, QWidget* parent) {
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setMinimumWidth(170);
    return field;
}

QLabel* Indicator(const char* name, const char* what, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(IndicatorPixmap(false, kIndicatorSize));
    label->setToolTip(QString(what) + " link");
    label->setAccessibleName(QString(what) + " link down");
    return label;
}

}  // namespace

MainWindow::MainWindow(CHalvoDlg& station) : station_(station) {
    setObjectName("mainWindow");
    setWindowTitle(QString::fromStdString(station_.window().title));
    setWindowIcon(WindowIcon());

    // Built in reading order, which is also the order the Tab key follows.
    QWidget* header = buildHeader();
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName("splitter");
    splitter->setChildrenCollapsible(false);
    auto* work = new QWidget(splitter);
    auto* workLayout = new QHBoxLayout(work);
    workLayout->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(work);
    tabs_->setObjectName("tabs");
    workLayout->addWidget(tabs_, 1);
    workLayout->addWidget(buildReadingColumn());
    splitter->addWidget(work);
    splitter->addWidget(buildLog());
    splitter->setStretchFactor(0, 5);
    splitter->setStretchFactor(1, 2);
    splitter->setSizes({570, 190});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(header);
    layout->addWidget(splitter, 1);

    notices_ = std::make_unique<NoticeDialogs>(station_, this, [this] { return pageArea(); });
    about_ = new AboutBox(QString::fromStdString(station_.aboutText()), this);

    // The station's system-menu entry; a window here has no system menu of its own to extend,
    // so the entry is in the window's context menu, with F1.
    auto* aboutAction = new QAction("&About Halvo...", this);
    aboutAction->setObjectName("aboutAction");
    aboutAction->setShortcut(QKeySequence(Qt::Key_F1));
    QObject::connect(aboutAction, &QAction::triggered, this, [this] { showAbout(); });
    addAction(aboutAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    wire();
    station_.log().addListener(this);
    logPane_->setPlainText(QString::fromStdString(station_.log().text()));
    // As large as a 1280 x 800 screen allows, less what the desktop keeps for itself.
    const QRect available = screen() ? screen()->availableGeometry() : QRect(0, 0, 1280, 800);
    resize(std::min(1260, available.width() - 20), std::min(790, available.height() - 40));
}

MainWindow::~MainWindow() { station_.log().removeListener(this); }

QWidget* MainWindow::buildHeader() {
    auto* header = new QWidget(this);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(0, 0, 0, 4);
    auto* logo = new QLabel(header);
    logo->setObjectName("logo");
    logo->setPixmap(LogoPixmap(36));
    layout->addWidget(logo);
    layout->addSpacing(16);

    monitorIndicator_ = Indicator("monitorIndicator", "Monitor", header);
    instrumentIndicator_ = Indicator("instrumentIndicator", "Colorimeter", header);
    monitorName_ = NameField("monitorName", "Monitor", header);
    instrumentName_ = NameField("instrumentName", "Colorimeter", header);
    layout->addWidget(monitorIndicator_);
    layout->addWidget(monitorName_, 2);
    layout->addSpacing(10);
    layout->addWidget(instrumentIndicator_);
    layout->addWidget(instrumentName_, 1);
    layout->addSpacing(16);

    auto* calIdLabel = new QLabel("Cal. ID", header);
    calId_ = new QLineEdit(header);
    calId_->setObjectName("calId");
    calId_->setMaxLength(9);
    calId_->setMinimumWidth(calId_->fontMetrics().horizontalAdvance("WWW000000") + 16);
    calId_->setToolTip("Calibration ID of the monitor; Enter sends it");
    calIdLabel->setBuddy(calId_);
    layout->addWidget(calIdLabel);
    layout->addWidget(calId_);
    layout->addSpacing(16);

    connect_ = new QPushButton("Connect", header);
    connect_->setObjectName("connectButton");
    connect_->setCheckable(true);
    connect_->setMinimumWidth(110);
    layout->addWidget(connect_);
    runsButton_ = new QPushButton("Runs...", header);
    runsButton_->setObjectName("runsButton");
    runsButton_->setToolTip("The connected monitor's earlier runs, by its calibration ID and S/N");
    layout->addWidget(runsButton_);
    resultsButton_ = new QPushButton("Results...", header);
    resultsButton_->setObjectName("resultsButton");
    resultsButton_->setToolTip("Where every run's record is kept: this station and the line's results server");
    layout->addWidget(resultsButton_);
    aboutButton_ = new QPushButton("About", header);
    aboutButton_->setObjectName("aboutButton");
    layout->addWidget(aboutButton_);
    return header;
}

QWidget* MainWindow::buildReadingColumn() {
    auto* column = new QWidget(this);
    column->setFixedWidth(240);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* dataGroup = new QGroupBox("Measured Data", column);
    auto* dataLayout = new QVBoxLayout(dataGroup);
    readingList_ = new QTableWidget(static_cast<int>(kReadingRowNames.size()), 2, dataGroup);
    readingList_->setObjectName("readingList");
    readingList_->setHorizontalHeaderLabels({"Index", "Value"});
    readingList_->verticalHeader()->hide();
    readingList_->setShowGrid(true);
    readingList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    readingList_->setSelectionMode(QAbstractItemView::NoSelection);
    readingList_->setFocusPolicy(Qt::NoFocus);
    readingList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    readingList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    readingList_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    readingList_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    readingList_->setColumnWidth(0, 60);
    const QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int row = 0; row < readingList_->rowCount(); ++row) {
        const QString name = QString::fromUtf8(kReadingRowNames[static_cast<size_t>(row)]);
        auto* index = new QTableWidgetItem(name);
        auto* value = new QTableWidgetItem(name);
        index->setTextAlignment(Qt::AlignCenter);
        value->setTextAlignment(Qt::AlignCenter);
        value->setFont(digits);
        readingList_->setItem(row, 0, index);
        readingList_->setItem(row, 1, value);
    }
    readingList_->resizeRowsToContents();
    int height = readingList_->horizontalHeader()->sizeHint().height() + 2 * readingList_->frameWidth();
    for (int row = 0; row < readingList_->rowCount(); ++row) {
        height += readingList_->rowHeight(row);
    }
    readingList_->setFixedHeight(height);
    readingList_->setMinimumWidth(200);
    dataLayout->addWidget(readingList_);
    layout->addWidget(dataGroup);

    auto* probeGroup = new QGroupBox("Probe position", column);
    auto* probeLayout = new QVBoxLayout(probeGroup);
    probe_ = new ProbePositionView(probeGroup);
    probe_->setObjectName("probePosition");
    probeLayout->addWidget(probe_);
    layout->addWidget(probeGroup);

    measure_ = new QPushButton("Measure", column);
    measure_->setObjectName("measureButton");
    continuously_ = new QCheckBox("Continuously", column);
    continuously_->setObjectName("continuously");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(measure_, 1);
    buttons->addWidget(continuously_);
    layout->addLayout(buttons);
    layout->addStretch(1);
    return column;
}

QWidget* MainWindow::buildLog() {
    auto* group = new QGroupBox("log", this);
    auto* layout = new QVBoxLayout(group);
    logPane_ = new QPlainTextEdit(group);
    logPane_->setObjectName("logPane");
    logPane_->setReadOnly(true);
    logPane_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    logPane_->setMinimumHeight(90);
    layout->addWidget(logPane_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    clearLog_ = new QPushButton("Clear", group);
    clearLog_->setObjectName("clearLog");
    saveLog_ = new QPushButton("Save as..", group);
    saveLog_->setObjectName("saveLog");
    buttons->addWidget(clearLog_);
    buttons->addWidget(saveLog_);
    layout->addLayout(buttons);
    return group;
}

void MainWindow::wire() {
    QObject::connect(connect_, &QPushButton::clicked, this, [this](bool checked) {
        station_.onConnectClicked(checked);
        refresh();
    });
    QObject::connect(measure_, &QPushButton::clicked, this, [this] { station_.onMeasureClicked(); });
    QObject::connect(continuously_, &QCheckBox::clicked, this,
                     [this](bool checked) { station_.onContinuouslyToggled(checked); });
    QObject::connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0) {
            station_.onTabChanged(index);
        }
    });
    QObject::connect(calId_, &QLineEdit::returnPressed, this,
                     [this] { station_.onCalIdEnter(calId_->text().toStdString()); });
    QObject::connect(clearLog_, &QPushButton::clicked, this, [this] { station_.onClearLog(); });
    QObject::connect(saveLog_, &QPushButton::clicked, this, [this] { station_.onSaveLog(); });
    QObject::connect(aboutButton_, &QPushButton::clicked, this, [this] { showAbout(); });
    QObject::connect(runsButton_, &QPushButton::clicked, this, [this] {
        if (runsRequested) {
            runsRequested();
        }
    });
    QObject::connect(resultsButton_, &QPushButton::clicked, this, [this] {
        if (resultsSettingsRequested) {
            resultsSettingsRequested();
        }
    });
}

void MainWindow::createPages() {
    if (hasPages()) {
        return;
    }
    // Adding the first tab selects it; that is the window being built, not the operator.
    const QSignalBlocker block(tabs_);
    pages_ = CreateStationPages(station_, tabs_);
    for (size_t i = 0; i < pages_.size(); ++i) {
        const int tab = tabs_->addTab(pages_[i], kTabTitles[i]);
        tabs_->setTabEnabled(tab, pages_[i]->available());
        if (!pages_[i]->available()) {
            tabs_->setTabToolTip(tab, pages_[i]->unavailableNote());
        }
    }
    // The pages came last, so Tab would reach them after the log; put them right after the tabs.
    QWidget* lastOfPages = nullptr;
    for (QWidget* w = saveLog_->nextInFocusChain(); w && w != this && w != saveLog_; w = w->nextInFocusChain()) {
        if (tabs_->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus)) {
            lastOfPages = w;
        }
    }
    if (lastOfPages) {
        QWidget* previous = lastOfPages;
        for (QWidget* w : {static_cast<QWidget*>(measure_), static_cast<QWidget*>(continuously_),
                           static_cast<QWidget*>(logPane_), static_cast<QWidget*>(clearLog_),
                           static_cast<QWidget*>(saveLog_)}) {
            setTabOrder(previous, w);
            previous = w;
        }
    }
    refresh();
    // The first thing an operator does is connect.
    connect_->setFocus();
}

void MainWindow::showAbout() {
    // Near the centre of the main window, and modal to it without a nested event loop, so the
    // measurement cycle runs on while it is open.
    about_->adjustSize();
    const QRect frame = geometry();
    about_->move(frame.center() - QPoint(about_->width() / 2, about_->height() / 2));
    about_->setWindowModality(Qt::WindowModal);
    about_->open();
}

QRect MainWindow::pageArea() const {
    const QWidget* page = tabs_->currentWidget() ? tabs_->currentWidget() : tabs_;
    return QRect(page->mapToGlobal(QPoint(0, 0)), page->size());
}

}  // namespace halvo::gui
