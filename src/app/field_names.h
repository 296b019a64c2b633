// Accessible names of input fields, taken from the labels the user reads beside them, so
// that screen readers and automation reach every field by what it is called.
#pragma once

class QObject;
class QString;
class QWidget;

namespace orv {

// A label's text as a name: without its '&' marks and its closing ':'.
QString FieldNameOf(const QString& labelText);

// Gives every input field below root that has no accessible name the name of its label:
// a form layout row's label (a QLabel or a button standing as the label) and a QLabel's
// buddy. A name set by hand is kept.
void NameFieldsByLabels(QWidget* root);

// Makes every window of the application name its fields (NameFieldsByLabels) when it is
// shown, so that new dialogs and fields get their names too. The filter lives as long as
// owner.
void NameFieldsOfEveryWindow(QObject* owner);

}  // namespace orv
