#include "app/field_names.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLayout>
#include <QWidget>

namespace orv {

namespace {

// The first widget of a field that is a layout (a box with an edit and a button).
QWidget* FirstWidgetOf(QLayoutItem* item)
{
    if (!item)
        return nullptr;
    if (QWidget* w = item->widget())
        return w;
    if (QLayout* layout = item->layout())
        for (int i = 0; i < layout->count(); ++i)
            if (QWidget* w = FirstWidgetOf(layout->itemAt(i)))
                return w;
    return nullptr;
}

QString LabelText(const QWidget* label)
{
    if (const auto* l = qobject_cast<const QLabel*>(label))
        return l->text();
    if (const auto* b = qobject_cast<const QAbstractButton*>(label))
        return b->text();
    return {};
}

void Name(QWidget* field, const QString& labelText)
{
    if (!field || !field->accessibleName().isEmpty())
        return;
    const QString name = FieldNameOf(labelText);
    if (!name.isEmpty())
        field->setAccessibleName(name);
}

class WindowShowFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Show && watched->isWidgetType())
            if (auto* w = static_cast<QWidget*>(watched); w->isWindow())
                NameFieldsByLabels(w);
        return false;
    }
};

}  // namespace

QString FieldNameOf(const QString& labelText)
{
    QString name = labelText;
    // "&&" stands for a '&' shown; a single '&' marks the access key.
    name.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    name.remove(QLatin1Char('&'));
    name.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    name = name.simplified();
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
}

void NameFieldsByLabels(QWidget* root)
{
    if (!root)
        return;
    for (QFormLayout* form : root->findChildren<QFormLayout*>())
        for (int row = 0; row < form->rowCount(); ++row) {
            const QLayoutItem* label = form->itemAt(row, QFormLayout::LabelRole);
            if (label && label->widget())
                Name(FirstWidgetOf(form->itemAt(row, QFormLayout::FieldRole)), LabelText(label->widget()));
        }
    for (QLabel* label : root->findChildren<QLabel*>())
        Name(label->buddy(), label->text());
}

void NameFieldsOfEveryWindow(QObject* owner)
{
    if (qApp)
        qApp->installEventFilter(new WindowShowFilter(owner));
}

}  // namespace orv
