#include "app/AccessibleRoles.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QPushButton>

namespace penshelf {
namespace {

class PageTab : public QAccessibleWidget {
  public:
    explicit PageTab(QPushButton* button) : QAccessibleWidget(button, QAccessible::PageTab) {}

    QString text(QAccessible::Text kind) const override {
        QString text = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && text.isEmpty()) text = button()->text().remove(u'&');
        return text;
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = button()->isChecked();
        return state;
    }
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction()) return button()->click();
        QAccessibleWidget::doAction(action);
    }

  private:
    QPushButton* button() const { return static_cast<QPushButton*>(widget()); }
};

// Orca speaks a notification when it shows; the line's text is its name.
class Notification : public QAccessibleWidget {
  public:
    explicit Notification(QLabel* line) : QAccessibleWidget(line, QAccessible::Notification) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return static_cast<QLabel*>(widget())->text();
        }
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* markedRoles(const QString& className, QObject* object) {
    const QVariant role = object ? object->property("accessibleRole") : QVariant();
    if (!role.isValid()) return nullptr;
    auto* button = qobject_cast<QPushButton*>(object);
    if (className == QLatin1String("QPushButton") && button && role == QLatin1String("pageTab")) {
        return new PageTab(button);
    }
    auto* label = qobject_cast<QLabel*>(object);
    if (className == QLatin1String("QLabel") && label && role == QLatin1String("notification")) {
        return new Notification(label);
    }
    return nullptr;
}

}  // namespace

void installAccessibleRoles() {
    static const bool installed = [] {
        QAccessible::installFactory(markedRoles);
        return true;
    }();
    (void)installed;
}

void announce(QLabel* line) {
    QAccessibleEvent shown(line, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

}  // namespace penshelf
