// List selection by prefix, and radio groups that may show no choice.
#include "host/larkspur/ChoiceControls.h"

#include <QAbstractButton>
#include <QString>

bool SelectByPrefix(QComboBox& list, std::wstring_view name) {
    const int count = list.count();
    if (name.empty() || count == 0) {
        return false;
    }
    const QString prefix =
        QString::fromWCharArray(name.data(), static_cast<qsizetype>(name.size()));
    for (int step = 1; step <= count; ++step) {
        const int entry = step % count;
        if (list.itemText(entry).startsWith(prefix, Qt::CaseInsensitive)) {
            list.setCurrentIndex(entry);
            return true;
        }
    }
    return false;
}

void ShowChoice(QButtonGroup& group, int id) {
    // An exclusive group would keep the old button checked.
    group.setExclusive(false);
    for (QAbstractButton* button : group.buttons()) {
        button->setChecked(group.id(button) == id);
    }
    group.setExclusive(true);
}
