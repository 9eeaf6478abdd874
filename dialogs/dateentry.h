#pragma once

class QDateTimeEdit;

// Date fields into which a whole date can be typed as it is written, "11/30/2027", "11302027"
// or with Tab between the parts, and that date is what the field holds afterwards. A whole
// date that does not exist ("02/30/2027") leaves the field as it was. The year has four digits.
//
// A plain date field edits one section at a time and checks each keystroke against the date
// it holds: typing over a selected field changes only the day, a "/" typed after a month
// that was already complete skips the day (so does a Tab), and a 29 typed while the field still
// shows a year that is not a leap year becomes 28. The field keeps its arrows, its sections and
// everything else it does.
namespace DateEntry {

void prepare(QDateTimeEdit *field);

} // namespace DateEntry
