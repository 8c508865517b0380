#include "config/ui/NameLabels.h"

#include "config/Cp1252.h"

#include <QLabel>

namespace relvane {

TNameLabelBinder::TNameLabelBinder(ConfigModel& model, SelectionLists& lists, LabelLookup outputLabel,
                                   LabelLookup inputLabel, LabelLookup canInputLabel, QObject* parent)
    : QObject(parent), model_(model), output_(std::move(outputLabel)), input_(std::move(inputLabel)),
      canInput_(std::move(canInputLabel))
{
    connect(&model_, &ConfigModel::NameChanged, this, &TNameLabelBinder::ShowNames);
    connect(&lists, &SelectionLists::NamesPropagated, this, &TNameLabelBinder::ShowAllNames);
}

QString TNameLabelBinder::NumberedName(int n, const ChannelName& name)
{
    return QString::number(n) + QStringLiteral(": ") + Cp1252ToString(name);
}

void TNameLabelBinder::ShowNames(ConfigBlock block, int index)
{
    const auto show = [&](const LabelLookup& lookup, int count, auto&& nameOf) {
        if (!lookup)
            return;
        for (int n = 1; n <= count; ++n) {
            if (index >= 0 && index != n)
                continue;
            if (QLabel* label = lookup(n)) {
                const QString text = NumberedName(n, nameOf(n));
                if (label->text() != text)
                    label->setText(text);
            }
        }
    };
    switch (block) {
    case ConfigBlock::Output:
        show(output_, kOutputCount, [&](int n) { return model_.Output(n).NAME; });
        break;
    case ConfigBlock::Input:
        show(input_, kInputCount, [&](int n) { return model_.Input(n).NAME; });
        break;
    case ConfigBlock::CanInput:
        show(canInput_, kCanInputCount, [&](int n) { return model_.CanInput(n).CAN_NAME; });
        break;
    default: break;
    }
}

void TNameLabelBinder::ShowAllNames()
{
    ShowNames(ConfigBlock::Output, -1);
    ShowNames(ConfigBlock::Input, -1);
    ShowNames(ConfigBlock::CanInput, -1);
}

}  // namespace relvane
