#include "can/ui/CanExportPage.h"

#include "can/CanEditorRules.h"
#include "can/ui/CanWidgets.h"
#include "config/EditorRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace relvane {

namespace {

const QString kHexDigits = QStringLiteral("0123456789abcdefABCDEF");
const QString kExport2Text = QStringLiteral("Channel Output status, If bit = 1 the channel is ON");
const QString kExport3Text = QStringLiteral("Channel ERROR bit, If bit = 1 the channel is in error state");

// Selectors as narrow as minimumChars characters; their lists open as wide as their entries.
QComboBox* MakeSelector(const QString& name, QStringListModel* entries, QWidget* parent, int minimumChars = 9)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setModel(entries);
    box->setCurrentIndex(-1);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(minimumChars);
    return box;
}

// Eight bit selectors side by side must leave the page narrow enough for the main window's
// design width.
constexpr int kBitSelectorChars = 6;

}  // namespace

TCanExportPage::TCanExportPage(ConfigModel& model, SelectionLists& lists, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), model_(model), lists_(lists), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("TabSheetCanExport"));
    notebook_ = new QTabWidget(this);
    notebook_->setObjectName(QStringLiteral("TabbedNotebookCANExport"));
    notebook_->addTab(BuildExport1(), QStringLiteral("CAN Export 1"));
    notebook_->addTab(BuildBitExport(2, kExport2Text), QStringLiteral("CAN Export 2"));
    notebook_->addTab(BuildBitExport(3, kExport3Text), QStringLiteral("CAN Export 3"));
    notebook_->addTab(BuildBitExport(4, kExport2Text + QLatin1Char('\n') + kExport3Text), QStringLiteral("CAN_Export 4"));
    auto* root = new QVBoxLayout(this);
    root->addWidget(notebook_);

    for (int n = 1; n <= kCanExportCount; ++n) {
        const auto u = std::size_t(n - 1);
        connect(enable_[u], &QCheckBox::clicked, this, [this, n](bool ticked) {
            Write(n, [&](CanExportConfig& c) { c.ENABLED = ticked; });
        });
        connect(id_[u], &QLineEdit::textChanged, this, [this, n](const QString& text) {
            OptionalNumber id;
            try {
                if (!text.isEmpty())
                    id = CanIdFromText(text);
            } catch (const ConversionError&) {
                return;  // cannot be typed: the edit takes hexadecimal digits only
            }
            Write(n, [&](CanExportConfig& c) { c.CAN_ID = id; });
        });
        connect(refresh_[u], &QLineEdit::textChanged, this, [this, n] { CAN_ExportRefressTimeChange(n); });
        const auto& boxes = selectors_[u];
        for (std::size_t e = 0; e < boxes.size(); ++e) {
            connect(boxes[e], &QComboBox::activated, this, [this, n, e](int position) {
                Write(n, [&](CanExportConfig& c) { c.CHANNEL_INDEX_[e] = position; });
            });
        }
    }
    connect(rowCount_, &QLineEdit::textChanged, this, &TCanExportPage::EditCAN_EXPORT_1_RowCounterChange);
    connect(&model_, &ConfigModel::Changed, this, &TCanExportPage::OnModelChanged);
    // The refresh edits keep their design-time "000" (the start value 0) until a value is loaded.
    for (int n = 1; n <= kCanExportCount; ++n)
        ShowExport(n, true);
}

QWidget* TCanExportPage::BuildHead(int exportNumber, QWidget* page)
{
    const auto u = std::size_t(exportNumber - 1);
    auto* head = new QWidget(page);
    auto* row = new QHBoxLayout(head);
    row->setContentsMargins(0, 0, 0, 0);
    enable_[u] = new QCheckBox(QStringLiteral("Enable"), head);
    enable_[u]->setObjectName(QStringLiteral("CheckBoxCAN_Export%1").arg(exportNumber));
    id_[u] = MakeLimitedEdit(QStringLiteral("EditCAN_ID_Export%1").arg(exportNumber), QStringLiteral("000"), 3, head,
                             kHexDigits);
    refresh_[u] = MakeLimitedEdit(QStringLiteral("Edit_REFRESS_Export%1").arg(exportNumber), QStringLiteral("000"), 5,
                                  head, QStringLiteral("0123456789"));
    row->addWidget(enable_[u]);
    row->addSpacing(20);
    row->addWidget(new QLabel(QStringLiteral("CAN ID"), head));
    row->addWidget(new QLabel(QStringLiteral("0x"), head));
    row->addWidget(id_[u]);
    row->addSpacing(20);
    row->addWidget(new QLabel(QStringLiteral("Refresh"), head));
    row->addWidget(refresh_[u]);
    row->addWidget(new QLabel(QStringLiteral("msec"), head));
    row->addStretch();
    return head;
}

QWidget* TCanExportPage::BuildExport1()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetCanExport1"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(BuildHead(1, page));
    layout->addWidget(new QLabel(QStringLiteral("Channel output, The current is divided by 4"), page));
    auto* group = new QGroupBox(QStringLiteral("CAN Data"), page);
    auto* g = new QGridLayout(group);
    auto& boxes = selectors_[0];
    g->addWidget(new QLabel(QStringLiteral("Data Byte 0"), group), 0, 0);
    g->addWidget(new QLabel(QStringLiteral("Row Counter"), group), 0, 1);
    for (int k = 1; k <= 6; ++k) {
        auto* box = MakeSelector(Export1SelectorName(k), lists_.Export1ChannelList(), group);
        boxes.push_back(box);
        g->addWidget(new QLabel(QStringLiteral("Data Byte %1").arg(k), group), k, 0);
        g->addWidget(box, k, 1);
        g->addWidget(new QLabel(QStringLiteral("Ampere"), group), k, 2);
    }
    g->addWidget(new QLabel(QStringLiteral("Data Byte 7"), group), 7, 0);
    for (int k = 1; k <= kExport1Rows; ++k) {
        auto* box = MakeSelector(Export1SelectorName(6 + k), lists_.Export1ChannelList(), group);
        boxes.push_back(box);
        const int row = 7 + (k - 1) % 6;
        const int col = 1 + ((k - 1) / 6) * 3;
        auto* cell = new QHBoxLayout;
        cell->addWidget(new QLabel(QStringLiteral("Counter %1").arg(k, 2, 10, QLatin1Char('0')), group));
        cell->addWidget(box);
        g->addLayout(cell, row, col);
        g->addWidget(new QLabel(QStringLiteral("Ampere"), group), row, col + 1);
    }
    rowCount_ = MakeLimitedEdit(QStringLiteral("EditCAN_EXPORT_1_RowCounter"), QStringLiteral("12"), 3, group);
    g->addWidget(new QLabel(QStringLiteral("Row Count"), group), 13, 0);
    g->addWidget(rowCount_, 13, 1);
    g->setColumnStretch(6, 1);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QWidget* TCanExportPage::BuildBitExport(int exportNumber, const QString& text)
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetCanExport%1").arg(exportNumber));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(BuildHead(exportNumber, page));
    layout->addWidget(new QLabel(text, page));
    auto* group = new QGroupBox(QStringLiteral("CAN data"), page);
    auto* g = new QGridLayout(group);
    g->setHorizontalSpacing(3);
    g->setVerticalSpacing(3);
    for (int bit = 7; bit >= 0; --bit)
        g->addWidget(new QLabel(QStringLiteral("Bit %1").arg(bit), group), 0, 1 + (7 - bit), Qt::AlignHCenter);
    const int entries = CanExportEntryCount(exportNumber);
    auto& boxes = selectors_[std::size_t(exportNumber - 1)];
    for (int e = 0; e < entries; ++e) {
        const int byte = ExportEntryByte(e);
        if (e % 8 == 0)
            g->addWidget(new QLabel(QStringLiteral("Data Byte %1").arg(byte), group), 1 + byte, 0);
        auto* box = MakeSelector(ExportBitSelectorName(exportNumber, e), lists_.ExportBitSourceList(), group,
                                 kBitSelectorChars);
        boxes.push_back(box);
        g->addWidget(box, 1 + byte, 1 + (7 - ExportEntryBit(e)));
    }
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QComboBox* TCanExportPage::Selector(int exportNumber, int entry) const
{
    if (exportNumber < 1 || exportNumber > kCanExportCount)
        return nullptr;
    const auto& boxes = selectors_[std::size_t(exportNumber - 1)];
    const int i = exportNumber == 1 ? entry - 1 : entry;
    return i >= 0 && i < int(boxes.size()) ? boxes[std::size_t(i)] : nullptr;
}

void TCanExportPage::Write(int exportNumber, const std::function<void(CanExportConfig&)>& edit)
{
    writing_ = true;
    model_.ModifyCanExport(exportNumber, edit);
    writing_ = false;
}

void TCanExportPage::CAN_ExportRefressTimeChange(int exportNumber)
{
    QLineEdit* edit = refresh_[std::size_t(exportNumber - 1)];
    if (const std::optional<QString> replacement = RefreshReplacement(edit->text())) {
        edit->setText(*replacement);  // runs this handler again
        return;
    }
    const int ms = IntegerPartOfText(edit->text());
    Write(exportNumber, [&](CanExportConfig& c) { c.REFRESS_TIME = ms; });
}

void TCanExportPage::EditCAN_EXPORT_1_RowCounterChange()
{
    const QString text = rowCount_->text();
    if (text.isEmpty())
        return;
    int rows = 0;
    try {
        rows = WholeNumberFromText(text);
    } catch (const ConversionError& e) {
        dialogs_.Message(MessageKind::Error, e.Text());
        return;
    }
    const RowCountCorrection r = CorrectRowCount(rows);
    if (r.corrected) {
        rowCount_->setText(QString::number(r.rows));  // runs this handler again with 12
        return;
    }
    for (int k = 1; k <= kExport1Rows; ++k)
        selectors_[0][std::size_t(6 + k - 1)]->setEnabled(CounterEnabled(r.rows, k));
    Write(1, [&](CanExportConfig& c) { c.ROW_COUNT = r.rows; });
}

void TCanExportPage::ShowExport(int n, bool initial)
{
    const auto u = std::size_t(n - 1);
    const CanExportConfig& c = model_.CanExport(n);
    enable_[u]->setChecked(c.ENABLED);
    {
        QSignalBlocker block(id_[u]);
        id_[u]->setText(c.CAN_ID ? CanIdText(*c.CAN_ID) : QString());
    }
    // The refresh and row count edits run their checks on what they are given.
    const QString refresh = c.REFRESS_TIME ? QString::number(*c.REFRESS_TIME) : QString();
    if (!initial)
        ShowThroughHandler(refresh_[u], refresh);
    if (n == 1) {
        const QString rows = c.ROW_COUNT ? QString::number(*c.ROW_COUNT) : QString();
        ShowThroughHandler(rowCount_, rows);
    }
    const auto& boxes = selectors_[u];
    for (std::size_t e = 0; e < boxes.size(); ++e) {
        const int position = c.CHANNEL_INDEX_[e];
        boxes[e]->setCurrentIndex(position >= 0 && position < boxes[e]->count() ? position : -1);
    }
}

void TCanExportPage::OnModelChanged(ConfigBlock block, int index)
{
    if (writing_ || block != ConfigBlock::CanExport)
        return;
    for (int n = 1; n <= kCanExportCount; ++n)
        if (index == -1 || index == n)
            ShowExport(n);
}

}  // namespace relvane
