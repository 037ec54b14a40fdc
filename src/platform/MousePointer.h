#pragma once

// The application's mouse pointer: one state, set and reset, not a stack.
namespace MousePointer {
enum class Shape { Default, Hourglass };
void set(Shape shape);
Shape current();
inline void hourglass() { set(Shape::Hourglass); }
inline void arrow() { set(Shape::Default); }
}  // namespace MousePointer
