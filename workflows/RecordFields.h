#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The board records field by field, under the labels of their report sections, so two copies
// of a record can be compared where it matters: every byte a field covers, none of the
// reserved bytes the board is free to change.
namespace RecordFields {

enum class Kind
{
    Configuration,
    Calibration,
    BasicCalibration,
};

// Bytes of a record that belong to one field; mask picks bits when a field is a flag bit.
struct ByteSpan
{
    std::size_t offset = 0;
    std::size_t size = 0;
    std::uint8_t mask = 0xFF;
};

struct Field
{
    QString label;
    std::vector<ByteSpan> spans;
    // Never shown: its value reads "(masked)" everywhere.
    bool secret = false;
};

// The record kind a file of this many bytes holds, if any.
std::optional<Kind> kindOfSize(qsizetype size);
std::size_t recordSize(Kind kind);
// "Configuration", "Calibration", "HW Calibration".
QString kindName(Kind kind);

// The fields of a kind in the order its report section lists them.
const std::vector<Field>& fields(Kind kind);

// What the report shows for each field of the record (aligned with fields(kind)); bytes must be
// the record's exact length.
QStringList values(Kind kind, std::span<const std::uint8_t> bytes);
QStringList values(Kind kind, const QByteArray& bytes);

// Whether two copies of a record agree on every byte (or bit) of the field.
bool sameField(const Field& field, std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);
bool sameField(const Field& field, const QByteArray& a, const QByteArray& b);

// The field's bytes in hexadecimal, for values whose report texts agree although the bytes
// do not (a float beyond its printed decimals, the bytes carried after a timestamp).
QString hexValue(const Field& field, std::span<const std::uint8_t> bytes);

// Copies side by side: one row per field, "* " or two blanks, the label padded as in the report,
// "= ", the copies' values joined by " | ". The mark and differing name the fields in which
// copies[left] and copies[right] disagree; an absent copy shows "-" and disagrees with any.
struct Comparison
{
    QStringList rows;
    QStringList differing; // labels
};
Comparison compare(Kind kind, const std::vector<std::optional<QByteArray>>& copies, std::size_t left,
                   std::size_t right);

} // namespace RecordFields
