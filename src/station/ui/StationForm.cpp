#include "station/ui/StationForm.h"

#include "station/RecordStore.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace relvane {

namespace {
template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}
}  // namespace

TStationPanel::TStationPanel(const QString& adapter, QWidget* parent) : QWidget(parent), adapter_(adapter) {
    auto* box = new QGroupBox(adapter, this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(box);
    auto* layout = new QVBoxLayout(box);
    LabelResult = Named(new QLabel(box), "LabelResult");
    LabelResult->setAlignment(Qt::AlignCenter);
    LabelResult->setMinimumHeight(72);
    QFont big = LabelResult->font();
    big.setPointSize(28);
    big.setBold(true);
    LabelResult->setFont(big);
    LabelResult->setAutoFillBackground(true);
    LabelStep = Named(new QLabel(box), "LabelStep");
    LabelStep->setWordWrap(true);
    ProgressStep = Named(new QProgressBar(box), "ProgressStep");
    ProgressStep->setRange(0, 100);
    LabelSerial = Named(new QLabel(QStringLiteral("Serial number: --"), box), "LabelSerial");
    LabelCounts = Named(new QLabel(box), "LabelCounts");
    auto* serialRow = new QHBoxLayout;
    EditSerial = Named(new QLineEdit(box), "EditSerial");
    EditSerial->setPlaceholderText(QStringLiteral("Scan or type the serial number"));
    BtnSerial = Named(new QPushButton(QStringLiteral("OK"), box), "BtnSerial");
    serialRow->addWidget(EditSerial, 1);
    serialRow->addWidget(BtnSerial);
    BtnNext = Named(new QPushButton(QStringLiteral("Next module"), box), "BtnNext");
    BtnNext->setToolTip(QStringLiteral("The next module is in place (as the adapter's link lost and back)"));
    layout->addWidget(LabelResult);
    layout->addWidget(LabelStep);
    layout->addWidget(ProgressStep);
    layout->addWidget(LabelSerial);
    layout->addLayout(serialRow);
    layout->addWidget(LabelCounts);
    layout->addWidget(BtnNext);
    EditSerial->setVisible(false);
    BtnSerial->setVisible(false);
    BtnNext->setEnabled(false);
    connect(BtnSerial, &QPushButton::clicked, this, &TStationPanel::BtnSerialClick);
    connect(EditSerial, &QLineEdit::returnPressed, this, &TStationPanel::BtnSerialClick);
    connect(BtnNext, &QPushButton::clicked, this, [this] { Q_EMIT nextModule(adapter_); });
    SetResult(QStringLiteral("WAITING"), QStringLiteral("#d8d8d8"));
    LabelStep->setText(QStringLiteral("Waiting for a module"));
    LabelCounts->setText(QStringLiteral("Passed: 0   Failed: 0"));
}

void TStationPanel::SetResult(const QString& text, const QString& colour) {
    LabelResult->setText(text);
    LabelResult->setStyleSheet(QStringLiteral("QLabel { background: %1; color: black; border-radius: 4px; }").arg(colour));
}

void TStationPanel::BtnSerialClick() {
    bool ok = false;
    const qint64 serial = EditSerial->text().trimmed().toLongLong(&ok);
    if (!ok || serial < 0 || serial > kMaxSerial) {
        LabelStep->setText(QStringLiteral("\"%1\" is no serial number (0 to %2)").arg(EditSerial->text()).arg(kMaxSerial));
        EditSerial->selectAll();
        return;
    }
    EditSerial->setVisible(false);
    BtnSerial->setVisible(false);
    Q_EMIT serialTyped(adapter_, serial);
}

void TStationPanel::Show(const StationEvent& e) {
    switch (e.kind) {
    case StationEvent::Waiting:
        SetResult(QStringLiteral("WAITING"), QStringLiteral("#d8d8d8"));
        LabelStep->setText(QStringLiteral("Waiting for a module"));
        ProgressStep->setValue(0);
        LabelSerial->setText(QStringLiteral("Serial number: --"));
        BtnNext->setEnabled(false);
        break;
    case StationEvent::ModuleStarted:
        SetResult(QStringLiteral("RUNNING"), QStringLiteral("#9cc3f0"));
        LabelStep->setText(QStringLiteral("Module answers, %1").arg(e.message));
        break;
    case StationEvent::StepStarted:
        LabelStep->setText(QStringLiteral("Step: %1").arg(e.step));
        ProgressStep->setValue(0);
        break;
    case StationEvent::StepProgress:
        ProgressStep->setValue(e.percent);
        break;
    case StationEvent::StepEnded:
        if (e.pass) ProgressStep->setValue(100);
        break;
    case StationEvent::ModuleEnded:
        if (e.pass) ++passed_;
        else ++failed_;
        SetResult(e.pass ? QStringLiteral("PASS") : QStringLiteral("FAIL"), e.pass ? QStringLiteral("#5cc45c") : QStringLiteral("#f05050"));
        LabelStep->setText(e.pass ? QStringLiteral("Every step passed") : QStringLiteral("%1: %2").arg(e.step, e.message));
        if (e.serial) LabelSerial->setText(QStringLiteral("Serial number: %1").arg(*e.serial, 8, 10, QLatin1Char('0')));
        LabelCounts->setText(QStringLiteral("Passed: %1   Failed: %2").arg(passed_).arg(failed_));
        EditSerial->setVisible(false);
        BtnSerial->setVisible(false);
        break;
    case StationEvent::Replace:
        LabelStep->setText(LabelStep->text() + QStringLiteral("\nReplace the module (unplug and plug the adapter), or press Next module"));
        BtnNext->setEnabled(true);
        break;
    case StationEvent::SerialNeeded:
        LabelStep->setText(QStringLiteral("Scan or type the serial number"));
        EditSerial->clear();
        EditSerial->setVisible(true);
        BtnSerial->setVisible(true);
        EditSerial->setFocus();
        break;
    case StationEvent::Message:
        LabelStep->setText(e.message);
        break;
    case StationEvent::SlotEnded:
        BtnNext->setEnabled(false);
        if (LabelResult->text() == QLatin1String("WAITING") || LabelResult->text() == QLatin1String("RUNNING"))
            SetResult(QStringLiteral("STOPPED"), QStringLiteral("#d8d8d8"));
        break;
    }
}

TStationForm::TStationForm(AdapterBackend& backend, Dialogs& dialogs, std::function<void()> releaseLink, QWidget* parent)
    : QWidget(parent, Qt::Window), backend_(backend), dialogs_(dialogs), releaseLink_(std::move(releaseLink)) {
    setObjectName(QStringLiteral("StationForm"));
    setWindowTitle(QStringLiteral("Station"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Recipe:"), this), 0, 0);
    EditRecipe = Named(new QLineEdit(this), "EditRecipe");
    EditRecipe->setPlaceholderText(QStringLiteral("station.ini"));
    BtnRecipe = Named(new QPushButton(QStringLiteral("..."), this), "BtnRecipe");
    BtnRecipe->setFixedWidth(36);
    top->addWidget(EditRecipe, 0, 1);
    top->addWidget(BtnRecipe, 0, 2);
    top->addWidget(new QLabel(QStringLiteral("Operator:"), this), 1, 0);
    EditOperator = Named(new QLineEdit(this), "EditOperator");
    EditOperator->setPlaceholderText(QStringLiteral("as in the recipe"));
    top->addWidget(EditOperator, 1, 1, 1, 2);
    top->addWidget(new QLabel(QStringLiteral("Adapters:"), this), 2, 0, Qt::AlignTop);
    ListAdapters = Named(new QListWidget(this), "ListAdapters");
    ListAdapters->setMaximumHeight(80);
    top->addWidget(ListAdapters, 2, 1);
    BtnRefresh = Named(new QPushButton(QStringLiteral("Refresh"), this), "BtnRefresh");
    top->addWidget(BtnRefresh, 2, 2, Qt::AlignTop);
    top->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    BtnStart = Named(new QPushButton(QStringLiteral("Start"), this), "BtnStart");
    BtnStop = Named(new QPushButton(QStringLiteral("Stop"), this), "BtnStop");
    buttons->addStretch(1);
    buttons->addWidget(BtnStart);
    buttons->addWidget(BtnStop);
    layout->addLayout(top);
    layout->addLayout(buttons);
    panels_ = new QGridLayout;
    layout->addLayout(panels_, 1);
    LabelStatus = Named(new QLabel(this), "LabelStatus");
    LabelStatus->setWordWrap(true);
    layout->addWidget(LabelStatus);
    connect(BtnRecipe, &QPushButton::clicked, this, &TStationForm::BtnRecipeClick);
    connect(BtnStart, &QPushButton::clicked, this, &TStationForm::BtnStartClick);
    connect(BtnStop, &QPushButton::clicked, this, &TStationForm::BtnStopClick);
    connect(BtnRefresh, &QPushButton::clicked, this, &TStationForm::RefreshAdapters);
    SetRunning(false);
    RefreshAdapters();
    resize(760, 520);
}

TStationForm::~TStationForm() {
    // The slots end their steps as FAIL "stopped", recorded, before the window goes.
    if (engine_) {
        engine_->Stop();
        engine_.reset();
    }
    if (store_) store_->CloseThread();
}

void TStationForm::RefreshAdapters() {
    ListAdapters->clear();
    QList<AdapterInfo> adapters;
    backend_.ListAdapters(adapters);
    for (const AdapterInfo& a : adapters) {
        if (!a.detailsOk || a.description.isEmpty()) continue;
        auto* item = new QListWidgetItem(a.description, ListAdapters);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    LabelStatus->setText(ListAdapters->count() == 0 ? QStringLiteral("No adapter present: plug one in, then Refresh")
                                                    : QStringLiteral("Choose a recipe, tick the adapters, then Start"));
}

void TStationForm::BtnRecipeClick() {
    FileDialogOptions o;
    o.title = QStringLiteral("Station recipe");
    o.filter = QStringLiteral("Recipes (*.ini)|*.ini|All files (*)|*");
    o.defaultExtension = QStringLiteral("ini");
    o.fileName = EditRecipe->text();
    if (const auto chosen = dialogs_.OpenFile(o)) EditRecipe->setText(*chosen);
}

TStationPanel* TStationForm::Panel(const QString& adapter) const {
    for (TStationPanel* p : panelList_)
        if (p->Adapter() == adapter) return p;
    return nullptr;
}

void TStationForm::SetRunning(bool running) {
    BtnStart->setEnabled(!running);
    BtnStop->setEnabled(running);
    EditRecipe->setEnabled(!running);
    BtnRecipe->setEnabled(!running);
    EditOperator->setEnabled(!running);
    ListAdapters->setEnabled(!running);
    BtnRefresh->setEnabled(!running);
}

void TStationForm::BtnStartClick() {
    QString error;
    const auto recipe = LoadRecipe(EditRecipe->text().trimmed(), &error);
    if (!recipe) {
        dialogs_.Error(EditRecipe->text().trimmed().isEmpty() ? QStringLiteral("Choose a recipe first") : error);
        return;
    }
    QStringList adapters;
    for (int i = 0; i < ListAdapters->count(); ++i)
        if (ListAdapters->item(i)->checkState() == Qt::Checked) adapters << ListAdapters->item(i)->text();
    if (adapters.isEmpty()) {
        dialogs_.Error(QStringLiteral("Tick at least one adapter"));
        return;
    }
    const auto target = ParseDbTarget(recipe->database, &error);
    if (!target) {
        dialogs_.Error(error);
        return;
    }
    std::optional<DbTarget> remote;
    DbTarget local = *target;
    if (target->kind == DbTarget::PostgreSQL) {
        remote = *target;
        local = *ParseDbTarget(QString(), nullptr);
        local.path = QFileInfo(local.path).absolutePath() + QStringLiteral("/station-spool.sqlite");
    }
    engine_.reset();
    if (store_) store_->CloseThread();
    store_ = std::make_unique<RecordStore>(local, remote);
    QString warning;
    if (!store_->Start(&error, &warning)) {
        dialogs_.Error(QStringLiteral("The records cannot be kept: %1").arg(error));
        return;
    }
    StationOptions options;
    options.recipe = *recipe;
    options.adapters = adapters;
    options.operatorName = EditOperator->text().trimmed();
    options.fastLink = recipe->fastLink;
    // The station opens the adapters itself.
    if (releaseLink_) releaseLink_();
    engine_ = std::make_unique<StationEngine>(backend_, *store_, options);
    connect(engine_.get(), &StationEngine::stationEvent, this, &TStationForm::OnEvent);
    connect(engine_.get(), &StationEngine::finished, this, &TStationForm::OnFinished);
    qDeleteAll(panelList_);
    panelList_.clear();
    const int columns = adapters.size() > 4 ? 3 : 2;
    for (const QString& a : adapters) {
        auto* panel = new TStationPanel(a, this);
        panel->setObjectName(QStringLiteral("Panel ") + a);
        connect(panel, &TStationPanel::serialTyped, this, [this](const QString& ad, qint64 s) {
            if (engine_) engine_->ProvideSerial(ad, s);
        });
        connect(panel, &TStationPanel::nextModule, this, [this](const QString& ad) {
            if (engine_) engine_->Next(ad);
        });
        panels_->addWidget(panel, int(panelList_.size()) / columns, int(panelList_.size()) % columns);
        panelList_ << panel;
    }
    if (!engine_->Start(&error)) {
        dialogs_.Error(error);
        engine_.reset();
        return;
    }
    SetRunning(true);
    LabelStatus->setText(QStringLiteral("Records: %1%2").arg(remote ? remote->Display() : local.path,
                                                             warning.isEmpty() ? QString() : QStringLiteral("\n") + warning));
}

void TStationForm::BtnStopClick() {
    if (!engine_) return;
    engine_->Stop();
    BtnStop->setEnabled(false);
    LabelStatus->setText(QStringLiteral("Stopping: the running steps end as FAIL \"stopped\""));
}

void TStationForm::OnEvent(const StationEvent& e) {
    if (TStationPanel* panel = Panel(e.adapter)) panel->Show(e);
    else if (e.kind == StationEvent::Message) LabelStatus->setText(e.message);
}

void TStationForm::OnFinished() {
    SetRunning(false);
    if (!engine_) return;
    LabelStatus->setText(QStringLiteral("Station ended: %1 passed, %2 failed").arg(engine_->Passed()).arg(engine_->Failed()));
}

void TStationForm::closeEvent(QCloseEvent* event) {
    if (engine_ && engine_->Running()) {
        if (!dialogs_.WarningYesNo(QStringLiteral("The station is running. Stop it and close the window?"))) {
            event->ignore();
            return;
        }
        engine_->Stop();
    }
    event->accept();
}

}  // namespace relvane
