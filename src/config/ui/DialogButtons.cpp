#include "config/ui/DialogButtons.h"

#include <QDialog>
#include <QPushButton>

namespace relvane {

void SetEnterButton(QDialog& dialog, QPushButton* defaultButton)
{
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        // Buttons of a window made inside this one keep their own rule.
        if (b->window() != &dialog)
            continue;
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    if (defaultButton)
        defaultButton->setDefault(true);
}

}  // namespace relvane
