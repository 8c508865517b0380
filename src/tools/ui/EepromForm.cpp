#include "tools/ui/EepromForm.h"

#include "config/ui/DialogButtons.h"
#include "tools/ui/ToolForm.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace relvane {

EepromGridModel::EepromGridModel(EepromBuffer& buffer, QObject* parent)
    : QAbstractTableModel(parent), buffer_(buffer) {
    connect(&buffer_, &EepromBuffer::rowsChanged, this, [this](int first, int last) {
        if (first == 0) Q_EMIT headerDataChanged(Qt::Horizontal, 0, kEepromGridColumns - 1);
        first = qMax(first, 1);
        if (last < first) return;
        Q_EMIT dataChanged(index(first - 1, 0), index(last - 1, kEepromGridColumns - 1));
    });
}

int EepromGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kEepromDataRows; }
int EepromGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kEepromGridColumns; }

QVariant EepromGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    // The ASCII column keeps its 134 pixels: in the grid's fixed-width font sixteen
    // ". " pairs would be cut off, so it is drawn in the narrower proportional font.
    if (role == Qt::FontRole && index.column() == kEepromAsciiColumn)
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    return buffer_.cell(index.row() + 1, index.column());
}

QVariant EepromGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return buffer_.cell(0, section);
}

Qt::ItemFlags EepromGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() >= 1 && index.column() <= kEepromBytesPerRow) f |= Qt::ItemIsEditable;
    return f;
}

EepromCellDelegate::EepromCellDelegate(EepromTool& tool, QObject* parent) : QStyledItemDelegate(parent), tool_(tool) {}

QWidget* EepromCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("EEStringGridEditor"));
    const int row = index.row() + 1;
    const int column = index.column();
    connect(editor, &QLineEdit::textEdited, editor, [this, editor, row, column](const QString& text) {
        tool_.EditText(row, column, text);
        tool_.BeginEdit(row, column);
        editor->setText(tool_.buffer().cell(row, column));
        editor->selectAll();
    });
    return editor;
}

void EepromCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* line = static_cast<QLineEdit*>(editor);
    tool_.BeginEdit(index.row() + 1, index.column());
    line->setText(tool_.buffer().cell(index.row() + 1, index.column()));
    line->selectAll();
}

void EepromCellDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const {
    // Every change is already in the buffer.
}

namespace {

QLineEdit* AddressField(QWidget* parent, const char* name, const QString& text) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QLatin1String(name));
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,4}")), e));
    e->setMaximumWidth(60);
    return e;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

QLabel* Caption(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

}  // namespace

TEEPROMForm::TEEPROMForm(ToolHost& host, QWidget* parent)
    : QDialog(parent), host_(host), tool_(host), model_(tool_.buffer()) {
    setObjectName(QStringLiteral("TEEPROMForm"));
    setWindowTitle(QStringLiteral("EEPROM"));
    resize(760, 560);

    const char* names[EepromTool::FieldCount] = {"EEPROMStartEdit", "EEPROMEndEdit", "FileStartEdit",
                                                 "FileEndEdit",     "FillStartEdit", "FillEndEdit"};
    for (int f = 0; f < EepromTool::FieldCount; ++f) {
        const auto field = EepromTool::Field(f);
        QLineEdit* e = AddressField(this, names[f], tool_.fieldText(field));
        fields_.at(std::size_t(f)) = e;
        connect(e, &QLineEdit::textChanged, this, [this, field](const QString& t) { tool_.setFieldText(field, t); });
    }

    auto* eeprom = new QGroupBox(QStringLiteral(" EEPROM "), this);
    readBtn_ = Button(eeprom, "EEPROMReadBtn", QStringLiteral("Read"));
    writeBtn_ = Button(eeprom, "EEPROMWriteBtn", QStringLiteral("Write"));
    progress_ = new QProgressBar(eeprom);
    progress_->setObjectName(QStringLiteral("EEPROMProgressBar"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    auto* eg = new QGridLayout(eeprom);
    eg->addWidget(readBtn_, 0, 0);
    eg->addWidget(writeBtn_, 1, 0);
    eg->addWidget(Caption(eeprom, "EEPROMStartLbl", QStringLiteral("Start")), 0, 1);
    eg->addWidget(fields_[EepromTool::EepromStart], 0, 2);
    eg->addWidget(Caption(eeprom, "EEPROMEndLbl", QStringLiteral("End")), 1, 1);
    eg->addWidget(fields_[EepromTool::EepromEnd], 1, 2);
    eg->addWidget(progress_, 2, 0, 1, 3);

    auto* file = new QGroupBox(QStringLiteral(" File "), this);
    auto* loadBtn = Button(file, "FileLoadBtn", QStringLiteral("Load"));
    auto* saveBtn = Button(file, "FileSaveBtn", QStringLiteral("Save"));
    auto* fg = new QGridLayout(file);
    fg->addWidget(loadBtn, 0, 0);
    fg->addWidget(saveBtn, 1, 0);
    fg->addWidget(Caption(file, "FileStartLbl", QStringLiteral("Start")), 0, 1);
    fg->addWidget(fields_[EepromTool::FileStart], 0, 2);
    fg->addWidget(Caption(file, "FileEndLbl", QStringLiteral("End")), 1, 1);
    fg->addWidget(fields_[EepromTool::FileEnd], 1, 2);

    auto* buffer = new QGroupBox(QStringLiteral(" Buffer "), this);
    auto* fill00 = Button(buffer, "BufferFill00Btn", QStringLiteral("Fill with 00"));
    auto* fillFF = Button(buffer, "BufferFillFFBtn", QStringLiteral("Fill with FF"));
    auto* bg = new QGridLayout(buffer);
    bg->addWidget(fill00, 0, 0);
    bg->addWidget(fillFF, 1, 0);
    bg->addWidget(Caption(buffer, "FillStartLbl", QStringLiteral("Start")), 0, 1);
    bg->addWidget(fields_[EepromTool::FillStart], 0, 2);
    bg->addWidget(Caption(buffer, "FillEndLbl", QStringLiteral("End")), 1, 1);
    bg->addWidget(fields_[EepromTool::FillEnd], 1, 2);

    auto* pages = new QTabWidget(this);
    pages->setObjectName(QStringLiteral("PageControl1"));
    grid_ = new QTableView;
    grid_->setObjectName(QStringLiteral("EEStringGrid"));
    grid_->setModel(&model_);
    grid_->setItemDelegate(new EepromCellDelegate(tool_, grid_));
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(QFontMetrics(grid_->font()).height() + 4);
    grid_->horizontalHeader()->setMinimumSectionSize(20);
    grid_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    grid_->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                           QAbstractItemView::EditKeyPressed);
    for (int c = 0; c <= kEepromBytesPerRow; ++c) grid_->setColumnWidth(c, c == 0 ? 44 : 30);
    grid_->setColumnWidth(kEepromAsciiColumn, 134);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PageEeprom"));
    auto* pl = new QVBoxLayout(page);
    pl->setContentsMargins(0, 0, 0, 0);
    pl->addWidget(grid_);
    pages->addTab(page, QStringLiteral("EEPROM"));

    auto* groups = new QHBoxLayout;
    groups->addWidget(eeprom);
    groups->addWidget(file);
    groups->addWidget(buffer);
    groups->addStretch(1);
    auto* v = new QVBoxLayout(this);
    v->addLayout(groups);
    v->addWidget(pages, 1);

    connect(readBtn_, &QPushButton::clicked, this, &TEEPROMForm::EEPROMReadBtnClick);
    connect(writeBtn_, &QPushButton::clicked, this, &TEEPROMForm::EEPROMWriteBtnClick);
    connect(loadBtn, &QPushButton::clicked, this, &TEEPROMForm::FileLoadBtnClick);
    connect(saveBtn, &QPushButton::clicked, this, &TEEPROMForm::FileSaveBtnClick);
    connect(fill00, &QPushButton::clicked, this, &TEEPROMForm::BufferFill00BtnClick);
    connect(fillFF, &QPushButton::clicked, this, &TEEPROMForm::BufferFillFFBtnClick);
    connect(&tool_, &EepromTool::stateChanged, this, &TEEPROMForm::ShowState);
    // Enter in an address field or the grid presses no button (it would start a read).
    SetEnterButton(*this);

    host_.RegisterToolWindow(ToolSlot::Eeprom, &tool_);
}

TEEPROMForm::~TEEPROMForm() { host_.UnregisterToolWindow(ToolSlot::Eeprom, &tool_); }

void TEEPROMForm::showEvent(QShowEvent* e) {
    setWindowTitle(QStringLiteral("EEPROM"));
    // The buffer is laid out once: a modal window is shown once per opening.
    if (!shown_) tool_.Show();
    shown_ = true;
    QDialog::showEvent(e);
}

void TEEPROMForm::ShowState() {
    readBtn_->setText(tool_.readCaption());
    readBtn_->setEnabled(tool_.readEnabled());
    writeBtn_->setText(tool_.writeCaption());
    writeBtn_->setEnabled(tool_.writeEnabled());
    progress_->setValue(tool_.progress());
}

void TEEPROMForm::EEPROMReadBtnClick() { RunToolHandler(host_, [this] { tool_.StartRead(); }); }
void TEEPROMForm::EEPROMWriteBtnClick() { RunToolHandler(host_, [this] { tool_.StartWrite(); }); }
void TEEPROMForm::FileLoadBtnClick() { RunToolHandler(host_, [this] { tool_.Load(); }); }
void TEEPROMForm::FileSaveBtnClick() { RunToolHandler(host_, [this] { tool_.Save(); }); }
void TEEPROMForm::BufferFill00BtnClick() { RunToolHandler(host_, [this] { tool_.Fill00(); }); }
void TEEPROMForm::BufferFillFFBtnClick() { RunToolHandler(host_, [this] { tool_.FillFF(); }); }

}  // namespace relvane
