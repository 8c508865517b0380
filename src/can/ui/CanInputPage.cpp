#include "can/ui/CanInputPage.h"

#include "can/ui/CanSetupGroup.h"
#include "can/ui/CanWidgets.h"
#include "config/Cp1252.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace relvane {

namespace {

QLabel* Label(const QString& text, QWidget* parent, const QString& name = QString())
{
    auto* label = new QLabel(text, parent);
    if (!name.isEmpty())
        label->setObjectName(name);
    return label;
}

QComboBox* Combo(const QString& name, const QStringList& entries, bool editable, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(entries);
    box->setEditable(editable);
    if (editable)
        box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

}  // namespace

TCanInputPage::TCanInputPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, TxSink& queue,
                             QWidget* parent)
    : QWidget(parent), model_(model), lists_(lists), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("TabSheetCanInputs"));

    listBox_ = new QListView(this);
    listBox_->setObjectName(QStringLiteral("ListBoxCAN_INPUT"));
    listBox_->setModel(lists_.CanInputNameList());
    listBox_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listBox_->setSelectionMode(QAbstractItemView::SingleSelection);
    listBox_->setFixedWidth(150);
    auto* fromDbc = new QPushButton(QStringLiteral("From DBC") + QChar(0x2026), this);
    fromDbc->setObjectName(QStringLiteral("BtnFromDbc"));
    fromDbc->setToolTip(QStringLiteral("Fill the selected CAN input from a signal of a CAN database"));
    fromDbc->setFixedWidth(150);
    connect(fromDbc, &QPushButton::clicked, this, &TCanInputPage::BtnFromDbcClick);

    groupParameter_ = new QGroupBox(this);
    groupParameter_->setObjectName(QStringLiteral("GroupBoxCAN_Parameter"));
    notebook_ = new QTabWidget(groupParameter_);
    notebook_->setObjectName(QStringLiteral("TabbedNotebookCANInput"));
    notebook_->addTab(BuildGeneralPage(), QStringLiteral("General"));
    notebook_->addTab(BuildParameterPage(), QStringLiteral("Parameter"));
    notebook_->addTab(BuildAnalysePage(), QStringLiteral("Analyse"));
    auto* groupLayout = new QVBoxLayout(groupParameter_);
    groupLayout->addWidget(notebook_);

    auto* buttons = new QHBoxLayout;
    auto* btnDefault = new QPushButton(QStringLiteral("Default settings"), this);
    btnDefault->setObjectName(QStringLiteral("BtnCanInputDefault"));
    auto* btnRead = new QPushButton(QStringLiteral("Read"), this);
    btnRead->setObjectName(QStringLiteral("BtnCanRead"));
    auto* btnUpload = new QPushButton(QStringLiteral("Upload"), this);
    btnUpload->setObjectName(QStringLiteral("BtnCanUpload"));
    buttons->addWidget(btnDefault);
    buttons->addWidget(btnRead);
    buttons->addWidget(btnUpload);
    buttons->addStretch();
    connect(btnDefault, &QPushButton::clicked, this, &TCanInputPage::BtnCanInputDefaultClicked);
    connect(btnRead, &QPushButton::clicked, this, &TCanInputPage::BtnCanReadClicked);
    connect(btnUpload, &QPushButton::clicked, this, &TCanInputPage::BtnCanUploadClicked);

    canInputEnable_ = new QCheckBox(QStringLiteral("CAN switching enabled if input is active"), this);
    canInputEnable_->setObjectName(QStringLiteral("CheckBoxCanInputEnable"));
    canInputPin_ = new QComboBox(this);
    canInputPin_->setObjectName(QStringLiteral("ComboBoxInputTrigCAN_Input"));
    canInputPin_->setModel(lists_.InputNameList());
    canInputPin_->setCurrentIndex(-1);
    canInputPin_->setEnabled(false);
    auto* enableRow = new QHBoxLayout;
    enableRow->addWidget(canInputEnable_);
    enableRow->addWidget(canInputPin_);
    enableRow->addStretch();

    auto* left = new QVBoxLayout;
    left->addWidget(groupParameter_);
    left->addLayout(enableRow);
    left->addWidget(new TCanSetupGroup(model_, this));
    left->addLayout(buttons);
    left->addStretch();

    auto* list = new QVBoxLayout;
    list->addWidget(listBox_, 1);
    list->addWidget(fromDbc);
    auto* top = new QHBoxLayout;
    top->addLayout(list);
    top->addLayout(left);

    auto* root = new QVBoxLayout(this);
    root->addLayout(top);
    monitorGroup_ = new TCanMonitorGroup(model_, lists_, dialogs_, queue, this);
    root->addWidget(monitorGroup_, 1);

    Connect();
}

QGroupBox* TCanInputPage::BuildSideGroup(bool on)
{
    auto* group = new QGroupBox(on ? QStringLiteral("ON parameter") : QStringLiteral("OFF parameter"));
    auto* id = MakeLimitedEdit(on ? QStringLiteral("EditCAN_ID_ON_1") : QStringLiteral("EditCAN_ID_OFF_1"),
                               QStringLiteral("000"), 3, group);
    auto* op = Combo(on ? QStringLiteral("ComboBoxCAN_OperatorON") : QStringLiteral("ComboBoxCAN_OperatorOFF"),
                     CanOperatorEntries(), true, group);
    op->setCurrentIndex(0);
    op->setFixedWidth(60);
    auto* picker = new TBytePicker(on ? QStringLiteral("ImageCan_1_ON") : QStringLiteral("ImageCan_1_OFF"), group);
    auto* value = MakeLimitedEdit(on ? QStringLiteral("EditValueCAN_ON_1") : QStringLiteral("EditValueCAN_OFF_1"),
                                  QStringLiteral("0000"), 5, group);
    auto* unit = Label(QStringLiteral("---"), group,
                       on ? QStringLiteral("LabelCanInDimension1") : QStringLiteral("LabelCanInDimension2"));
    auto* row = new QHBoxLayout(group);
    row->addWidget(Label(QStringLiteral("CAN ID"), group));
    row->addWidget(Label(QStringLiteral("0x"), group));
    row->addWidget(id);
    row->addWidget(op);
    row->addWidget(picker);
    row->addWidget(value);
    row->addWidget(unit);
    row->addStretch();
    (on ? idOn_ : idOff_) = id;
    (on ? operatorOn_ : operatorOff_) = op;
    (on ? imageOn_ : imageOff_) = picker;
    (on ? valueOn_ : valueOff_) = value;
    (on ? dimension1_ : dimension2_) = unit;
    return group;
}

QWidget* TCanInputPage::BuildGeneralPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetCanGeneral"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(BuildSideGroup(true));
    layout->addWidget(BuildSideGroup(false));
    noCanData_ = Combo(QStringLiteral("NoCANdataComboBox"), NoCanDataEntries(), false, page);
    noCanData_->setCurrentIndex(0);
    auto* row = new QHBoxLayout;
    row->addWidget(Label(QStringLiteral("No CAN data:"), page));
    row->addWidget(noCanData_);
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

QWidget* TCanInputPage::BuildParameterPage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetCanParameter"));
    auto* rowGroup = new QGroupBox(QStringLiteral("Row counter"), page);
    rowEnable_ = new QCheckBox(QStringLiteral("Enable"), rowGroup);
    rowEnable_->setObjectName(QStringLiteral("CheckBoxCAN_In_RowEnable"));
    // No typing limit: a number of any length is taken and corrected to 7 or 255.
    rowIndex_ = MakeLimitedEdit(QStringLiteral("EditValueCAN_IN_RowByteIndex"), QStringLiteral("0"), 0, rowGroup);
    rowValue_ = MakeLimitedEdit(QStringLiteral("EditValueCAN_IN_RowByteValue"), QStringLiteral("0"), 0, rowGroup);
    auto* rg = new QGridLayout(rowGroup);
    rg->addWidget(rowEnable_, 0, 0, 1, 3);
    rg->addWidget(Label(QStringLiteral("Byte number"), rowGroup), 1, 0);
    rg->addWidget(rowIndex_, 1, 1);
    rg->addWidget(Label(QStringLiteral("0..7"), rowGroup), 1, 2);
    rg->addWidget(Label(QStringLiteral("Byte value"), rowGroup), 2, 0);
    rg->addWidget(rowValue_, 2, 1);

    auto* typeGroup = new QGroupBox(QStringLiteral("Data type"), page);
    unsigned_ = new QRadioButton(QStringLiteral("Unsigned"), typeGroup);
    unsigned_->setObjectName(QStringLiteral("RadioButton_Unsigned"));
    unsigned_->setChecked(true);
    signed_ = new QRadioButton(QStringLiteral("Signed"), typeGroup);
    signed_->setObjectName(QStringLiteral("RadioButton_Signed"));
    auto* tg = new QVBoxLayout(typeGroup);
    tg->addWidget(unsigned_);
    tg->addWidget(signed_);

    auto* dimGroup = new QGroupBox(QStringLiteral("Dimension"), page);
    dimension_ = MakeLimitedEdit(QStringLiteral("EditValueCAN_IN_Dimension"), QString(), kDimensionLength, dimGroup);
    auto* dg = new QVBoxLayout(dimGroup);
    dg->addWidget(dimension_);

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(rowGroup);
    layout->addWidget(typeGroup);
    layout->addWidget(dimGroup);
    layout->addStretch();
    return page;
}

QWidget* TCanInputPage::BuildAnalysePage()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetCanAnalyse"));
    auto* group = new QGroupBox(QStringLiteral("Calibration"), page);
    multiplicator_ = MakeLimitedEdit(QStringLiteral("EditValueCAN_IN_Multiplicator"), QStringLiteral("0"), 12, group);
    offset_ = MakeLimitedEdit(QStringLiteral("EditValueCAN_IN_Offset"), QStringLiteral("0"), 6, group);
    auto* g = new QGridLayout(group);
    g->addWidget(Label(QStringLiteral("Value f(x)"), group), 0, 0);
    g->addWidget(Label(QStringLiteral("="), group), 0, 1);
    g->addWidget(multiplicator_, 0, 2);
    g->addWidget(Label(QStringLiteral("Multiplicator"), group), 1, 2);
    g->addWidget(Label(QStringLiteral("*"), group), 0, 3);
    g->addWidget(Label(QStringLiteral("Digits"), group), 0, 4);
    g->addWidget(Label(QStringLiteral("+"), group), 0, 5);
    g->addWidget(offset_, 0, 6);
    g->addWidget(Label(QStringLiteral("Offset"), group), 1, 6);
    g->setColumnStretch(7, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

void TCanInputPage::Connect()
{
    connect(listBox_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { ListBoxCAN_INPUTClick(); });
    connect(idOn_, &QLineEdit::textChanged, this, &TCanInputPage::EditCAN_ID_ON_1Change);
    connect(idOff_, &QLineEdit::textChanged, this, &TCanInputPage::EditCAN_ID_OFF_1Change);
    connect(operatorOn_, &QComboBox::activated, this, &TCanInputPage::ComboBoxCAN_OperatorONChange);
    connect(operatorOff_, &QComboBox::activated, this, &TCanInputPage::ComboBoxCAN_OperatorOFFChange);
    connect(operatorOn_->lineEdit(), &QLineEdit::textEdited, this, &TCanInputPage::ComboBoxCAN_OperatorONChange);
    connect(operatorOff_->lineEdit(), &QLineEdit::textEdited, this, &TCanInputPage::ComboBoxCAN_OperatorOFFChange);
    connect(valueOn_, &QLineEdit::textChanged, this, &TCanInputPage::EditValueCAN_ON_1Change);
    connect(valueOff_, &QLineEdit::textChanged, this, &TCanInputPage::EditValueCAN_OFF_1Change);
    connect(noCanData_, &QComboBox::activated, this, &TCanInputPage::NoCANdataComboBoxChange);
    connect(rowEnable_, &QCheckBox::clicked, this, &TCanInputPage::CheckBoxCAN_In_RowEnableClick);
    connect(rowIndex_, &QLineEdit::textChanged, this, &TCanInputPage::EditValueCAN_IN_RowByteIndexChange);
    connect(rowValue_, &QLineEdit::textChanged, this, &TCanInputPage::EditValueCAN_IN_RowByteValueChange);
    connect(unsigned_, &QRadioButton::clicked, this, &TCanInputPage::RadioButton_UnsignedClick);
    connect(signed_, &QRadioButton::clicked, this, &TCanInputPage::RadioButton_SignedClick);
    connect(dimension_, &QLineEdit::textChanged, this, &TCanInputPage::EditValueCAN_IN_DimensionChange);
    connect(multiplicator_, &QLineEdit::textChanged, this, &TCanInputPage::EditValueCAN_IN_MultiplicatorChange);
    connect(offset_, &QLineEdit::textChanged, this, &TCanInputPage::EditValueCAN_IN_OffsetChange);
    connect(imageOn_, &TBytePicker::Released, this, &TCanInputPage::ImageCan_1_ONMouseUp);
    connect(imageOff_, &TBytePicker::Released, this, &TCanInputPage::ImageCan_1_OFFMouseUp);
    connect(canInputEnable_, &QCheckBox::clicked, this, &TCanInputPage::CheckBoxCanInputEnableClick);
    connect(canInputPin_, &QComboBox::activated, this, [this](int position) {
        writing_ = true;
        model_.ModifyCanInputEnable([&](CanInputEnableConfig& c) { c.INPUT_PIN = position; });
        writing_ = false;
    });

    connect(&model_, &ConfigModel::Changed, this, &TCanInputPage::OnModelChanged);
    connect(&lists_, &SelectionLists::NamesPropagated, this, &TCanInputPage::AfterNamePropagation);
}

int TCanInputPage::SelectedCanInput() const
{
    const QModelIndex current = listBox_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TCanInputPage::SelectCanInput(int position)
{
    const QModelIndex at = listBox_->model()->index(position, 0);
    {
        QSignalBlocker block(listBox_->selectionModel());
        listBox_->setCurrentIndex(at);
    }
    ListBoxCAN_INPUTClick();
}

int TCanInputPage::Record() const
{
    const int position = SelectedCanInput();
    return position < 0 ? 1 : position + 1;
}

void TCanInputPage::Write(const std::function<void(CanInputConfig&)>& edit)
{
    writing_ = true;
    model_.ModifyCanInput(Record(), edit);
    writing_ = false;
}

void TCanInputPage::ShowConversionError(const ConversionError& error)
{
    dialogs_.Message(MessageKind::Error, error.Text());
}

void TCanInputPage::SetDbcFileMemory(const DbcFileMemory& files)
{
    dbcFiles_ = files;
    monitorGroup_->SetDbcFileMemory(files);
}

void TCanInputPage::BtnFromDbcClick()
{
    const int n = Record();
    // Written as one change the page shows at once; a new name is propagated like a typed one.
    if (const std::optional<CanInputConfig> filled = RunDbcPicker(dialogs_, dbcFiles_, n, model_.CanInput(n), this))
        model_.SetCanInput(n, *filled);
}

void TCanInputPage::ListBoxCAN_INPUTClick()
{
    const int position = SelectedCanInput();
    if (position < 0)
        return;
    loaded_ = true;
    const CanInputConfig r = model_.CanInput(position + 1);
    // 1. The caption names the CAN input as the list shows it.
    groupParameter_->setTitle(listBox_->model()->index(position, 0).data().toString());
    // 2.
    noCanData_->setCurrentIndex(NoCanDataPosition(r.NO_CAN_DATA_STATE));
    // 3. Showing a value runs its change handler, so stored values pass the edits' limits.
    ShowThroughHandler(idOn_, CanIdText(r.CAN_ID_ON));
    ShowThroughHandler(idOff_, CanIdText(r.CAN_ID_OFF));
    // 4.
    ShowThroughHandler(valueOn_, CanValueText(r.CAN_VALUE_ON, r.DATA_TYPE_));
    ShowThroughHandler(valueOff_, CanValueText(r.CAN_VALUE_OFF, r.DATA_TYPE_));
    // 5.
    operatorOn_->setCurrentIndex(r.CAN_OPERATOR_ON >= 0 && r.CAN_OPERATOR_ON < operatorOn_->count() ? r.CAN_OPERATOR_ON : -1);
    operatorOff_->setCurrentIndex(r.CAN_OPERATOR_OFF >= 0 && r.CAN_OPERATOR_OFF < operatorOff_->count() ? r.CAN_OPERATOR_OFF : -1);
    // 6.
    onPair_ = {r.CAN_LOW_BYTE_ON_POS, r.CAN_HIGH_BYTE_ON_POS};
    offPair_ = {r.CAN_LOW_BYTE_OFF_POS, r.CAN_HIGH_BYTE_OFF_POS};
    imageOn_->SetPair(onPair_);
    imageOff_->SetPair(offPair_);
    // 7.
    rowEnable_->setChecked(r.ROW_ENABLED);
    ShowThroughHandler(rowIndex_, QString::number(r.ROW_INDEX));
    ShowThroughHandler(rowValue_, QString::number(r.ROW_VALUE));
    // 8. Any other data type leaves the radio buttons as they are.
    if (r.DATA_TYPE_ == 0)
        unsigned_->setChecked(true);
    else if (r.DATA_TYPE_ == 1)
        signed_->setChecked(true);
    // 9.
    const QString unit = Cp1252ToString(r.DIMENSION_NAME.left(kDimensionLength));
    ShowThroughHandler(dimension_, unit);
    dimension1_->setText(unit);
    dimension2_->setText(unit);
    // 10.
    ShowThroughHandler(multiplicator_, MultiplicatorText(r.MULTIPLICATOR_));
    ShowThroughHandler(offset_, QString::number(r.CAL_OFFSET_));
}

void TCanInputPage::IdChange(QLineEdit* edit, bool on)
{
    const QString text = edit->text();
    if (text.isEmpty())
        return;
    try {
        const qint32 id = CanIdFromText(text);
        Write([&](CanInputConfig& c) { (on ? c.CAN_ID_ON : c.CAN_ID_OFF) = id; });
    } catch (const ConversionError& e) {
        ShowConversionError(e);
    }
}

void TCanInputPage::EditCAN_ID_ON_1Change() { IdChange(idOn_, true); }
void TCanInputPage::EditCAN_ID_OFF_1Change() { IdChange(idOff_, false); }

void TCanInputPage::ComboBoxCAN_OperatorONChange()
{
    const int position = TypedPosition(operatorOn_);
    Write([&](CanInputConfig& c) { c.CAN_OPERATOR_ON = position; });
}

void TCanInputPage::ComboBoxCAN_OperatorOFFChange()
{
    const int position = TypedPosition(operatorOff_);
    Write([&](CanInputConfig& c) { c.CAN_OPERATOR_OFF = position; });
}

void TCanInputPage::ValueChange(QLineEdit* edit, bool on)
{
    const QString text = edit->text();
    if (CanValueTextIgnored(text))
        return;
    try {
        const qint32 typed = WholeNumberFromText(text);
        const CanValueCorrection v = CorrectCanValue(typed, model_.CanInput(Record()).DATA_TYPE_);
        Write([&](CanInputConfig& c) {
            if (on)
                c.CAN_VALUE_ON = CanValueOnField(v.value);
            else
                c.CAN_VALUE_OFF = CanValueOffField(v.value);
        });
        if (v.corrected)
            edit->setText(QString::number(v.value));
    } catch (const ConversionError& e) {
        ShowConversionError(e);
    }
}

void TCanInputPage::EditValueCAN_ON_1Change() { ValueChange(valueOn_, true); }
void TCanInputPage::EditValueCAN_OFF_1Change() { ValueChange(valueOff_, false); }

void TCanInputPage::NoCANdataComboBoxChange()
{
    int position = noCanData_->currentIndex();
    if (position < 0 || position > 2) {
        position = 0;
        noCanData_->setCurrentIndex(0);
    }
    Write([&](CanInputConfig& c) { c.NO_CAN_DATA_STATE = position; });
}

void TCanInputPage::CheckBoxCAN_In_RowEnableClick()
{
    const bool ticked = rowEnable_->isChecked();
    Write([&](CanInputConfig& c) { c.ROW_ENABLED = ticked; });
}

void TCanInputPage::EditValueCAN_IN_RowByteIndexChange()
{
    const QString text = rowIndex_->text();
    if (text.isEmpty())
        return;
    try {
        const ByteCorrection b = CorrectRowIndex(WholeNumberFromText(text));
        Write([&](CanInputConfig& c) { c.ROW_INDEX = b.field; });
        if (b.corrected)
            rowIndex_->setText(QString::number(b.shown));
    } catch (const ConversionError& e) {
        ShowConversionError(e);
    }
}

void TCanInputPage::EditValueCAN_IN_RowByteValueChange()
{
    const QString text = rowValue_->text();
    if (text.isEmpty())
        return;
    try {
        const ByteCorrection b = CorrectRowValue(WholeNumberFromText(text));
        Write([&](CanInputConfig& c) { c.ROW_VALUE = b.field; });
        if (b.corrected)
            rowValue_->setText(QString::number(b.shown));
    } catch (const ConversionError& e) {
        ShowConversionError(e);
    }
}

void TCanInputPage::RadioButton_UnsignedClick()
{
    Write([](CanInputConfig& c) { c.DATA_TYPE_ = 0; });
}

void TCanInputPage::RadioButton_SignedClick()
{
    Write([](CanInputConfig& c) { c.DATA_TYPE_ = 1; });
}

void TCanInputPage::EditValueCAN_IN_DimensionChange()
{
    const QString text = dimension_->text().left(kDimensionLength);
    Write([&](CanInputConfig& c) { c.DIMENSION_NAME = StringToCp1252(text); });
    dimension1_->setText(text);
    dimension2_->setText(text);
}

void TCanInputPage::EditValueCAN_IN_MultiplicatorChange()
{
    const QString text = multiplicator_->text();
    if (text.isEmpty())
        return;
    const float value = MultiplicatorFromText(text);
    Write([&](CanInputConfig& c) { c.MULTIPLICATOR_ = value; });
}

void TCanInputPage::EditValueCAN_IN_OffsetChange()
{
    const QString text = offset_->text();
    if (text.isEmpty())
        return;
    const std::int8_t value = CalOffsetFromText(text);
    Write([&](CanInputConfig& c) { c.CAL_OFFSET_ = value; });
}

void TCanInputPage::ByteClick(bool on, int x)
{
    BytePair& pair = on ? onPair_ : offPair_;
    TBytePicker* picture = on ? imageOn_ : imageOff_;
    const PickOutcome outcome = PickByte(pair, BytePickerCell(x, picture->width()));
    if (outcome == PickOutcome::NotSideBySide) {
        dialogs_.ShowMessage(NotSideBySideMessage());
        return;
    }
    picture->SetPair(pair);
    const BytePair written = pair;
    Write([&](CanInputConfig& c) {
        if (on) {
            c.CAN_LOW_BYTE_ON_POS = written.low;
            c.CAN_HIGH_BYTE_ON_POS = written.high;
        } else {
            c.CAN_LOW_BYTE_OFF_POS = written.low;
            c.CAN_HIGH_BYTE_OFF_POS = written.high;
        }
    });
}

void TCanInputPage::ImageCan_1_ONMouseUp(int x) { ByteClick(true, x); }
void TCanInputPage::ImageCan_1_OFFMouseUp(int x) { ByteClick(false, x); }

void TCanInputPage::CheckBoxCanInputEnableClick()
{
    const bool ticked = canInputEnable_->isChecked();
    canInputPin_->setEnabled(ticked);
    writing_ = true;
    model_.ModifyCanInputEnable([&](CanInputEnableConfig& c) { c.ENABLE = ticked; });
    writing_ = false;
}

void TCanInputPage::OnModelChanged(ConfigBlock block, int index)
{
    if (writing_)
        return;
    switch (block) {
    case ConfigBlock::CanInput:
        // A file load or a module read: show it at once, once the editor shows a CAN input.
        if (loaded_ && (index == -1 || index == SelectedCanInput() + 1))
            ListBoxCAN_INPUTClick();
        break;
    case ConfigBlock::CanInputEnable: ShowCanInputEnable(); break;
    default: break;
    }
}

void TCanInputPage::ShowCanInputEnable()
{
    const CanInputEnableConfig& e = model_.CanInputEnable();
    canInputEnable_->setChecked(e.ENABLE);
    canInputPin_->setEnabled(e.ENABLE);
    canInputPin_->setCurrentIndex(e.INPUT_PIN >= 0 && e.INPUT_PIN < canInputPin_->count() ? e.INPUT_PIN : -1);
}

void TCanInputPage::RefreshAndResetMonitor()
{
    monitorGroup_->RefreshMonitorEntries();
    monitorGroup_->ResetMonitorSelection();
}

void TCanInputPage::PageSelected()
{
    if (SelectedCanInput() < 0)
        SelectCanInput(0);
    RefreshAndResetMonitor();
}

void TCanInputPage::AfterNamePropagation()
{
    int position = SelectedCanInput();
    if (position < 0 || position >= listBox_->model()->rowCount())
        position = 0;
    SelectCanInput(position);
    RefreshAndResetMonitor();
}

}  // namespace relvane
