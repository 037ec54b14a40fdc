#pragma once
#include <functional>

#include <QString>
#include <QVariant>

// Turns the engine's refusal of a written row into a sentence a user can act
// on, naming the field and the value ("Model number HX-800 is already in the
// Model table.", "Date: 02/30/2026 is not a date in the form mm/dd/yyyy"). A refusal it cannot
// name keeps the engine's own text.
namespace Refusal {

// The value the row was to hold in a field (matched without regard to case).
using ValueOf = std::function<QVariant(const QString& field)>;

// field, when given, receives the field the sentence names (empty when none).
QString describe(const QString& engineText, const ValueOf& valueOf, QString* field = nullptr);

// The words that name a field on the forms ("ModelNumber": "Model number").
QString fieldWords(const QString& field);

}  // namespace Refusal
