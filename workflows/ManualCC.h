#pragma once

#include <QChar>
#include <QString>

#include <array>
#include <optional>

class CalRecord;
class Workbench;

// Commissions the replacement board by hand when nothing could be backed up.
bool manualConfigurationUpgrade(Workbench& bench);

// The rules of the manual CC dialog's five boxes, shared by the dialog and scripts.
namespace ManualCcInput {

enum class Box
{
    MeterId,
    PipeDiameter,
    CoilCurrent,
    TubeZero,
    TubeFactor,
};
inline constexpr std::array<Box, 5> kBoxes = {Box::MeterId, Box::PipeDiameter, Box::CoilCurrent,
                                              Box::TubeZero, Box::TubeFactor};

// "Meter SN", "Pipe Diameter", "Coil Current", "Tube Zero", "Tube Factor".
QString caption(Box box);
// The box's text for the record's value when the dialog opens.
QString boxText(Box box, const CalRecord& record);

// Whether a typed character goes into a box holding text.
bool acceptsKey(Box box, const QString& text, QChar typed);

struct Change
{
    enum class Result
    {
        // Empty, a lone sign, or not yet a number: the record keeps its last value.
        Ignored,
        Stored,
        // message holds "Value out of range(low - high)"; the record is unchanged.
        OutOfRange,
    };
    Result result = Result::Ignored;
    QString message;
};
// The check run on every change of a box's text; with store, a value in range goes into the
// record at once.
Change checkText(Box box, const QString& text, CalRecord& record, bool store = true);

// What typing one character does to a box: the box's text afterwards and the change's result
// (nullopt when the key was discarded).
std::optional<Change> typeKey(Box box, QString& text, QChar typed, CalRecord& record);

} // namespace ManualCcInput
