#pragma once
// The labels outside the editors that show a name ("n: " and the name): the number-and-name
// labels of the "General" page. The binder rewrites them whenever a name reaches the model
// (editor, file, module) and after every name propagation, so they never show a stale name.

#include "config/SelectionLists.h"

#include <QObject>

#include <functional>

class QLabel;

namespace relvane {

class TNameLabelBinder final : public QObject {
    Q_OBJECT
public:
    // Each lookup gives the label of a 1-based number, or nullptr; a lookup may be empty.
    using LabelLookup = std::function<QLabel*(int)>;
    TNameLabelBinder(ConfigModel& model, SelectionLists& lists, LabelLookup outputLabel, LabelLookup inputLabel,
                     LabelLookup canInputLabel, QObject* parent = nullptr);

    // Rewrites every label of block (index -1) or one.
    void ShowNames(ConfigBlock block, int index);
    void ShowAllNames();

    // "n: " followed by the name.
    static QString NumberedName(int n, const ChannelName& name);

private:
    ConfigModel& model_;
    LabelLookup output_, input_, canInput_;
};

}  // namespace relvane
