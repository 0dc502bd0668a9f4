#pragma once

#include "storage/FormLayout.h"

#include <QColor>
#include <QFont>

class QWidget;

namespace dossiva {

// How the record form's stored look becomes Qt's: colours, text shadows and
// the main field's larger fonts.
namespace FieldViewLook {

QColor toQColor(const RGBColor& color);
// Draws the widget's text (a label's, an edit's, a button's) in the colour.
void paintText(QWidget* widget, const RGBColor& color);
// Gives the widget a soft shadow of the colour, or takes it away.
void shade(QWidget* widget, bool shadow, const RGBColor& color);
// The font two points larger, as the main field draws its label and value.
QFont enlarged(const QFont& font);

} // namespace FieldViewLook
} // namespace dossiva
