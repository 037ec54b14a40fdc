#include "datagen/PlantCatalogue.h"

namespace DataGen {

static PlantCatalogue build() {
    PlantCatalogue c;
    const auto s = [](const char* text) { return QString::fromLatin1(text); };

    c.models = {
        {s("VX-200"), s("COMPACT CONTROLLER"), 20},  {s("VX-210"), s("COMPACT CONTROLLER+"), 12},
        {s("VX-400"), s("PANEL CONTROLLER"), 18},    {s("VX-420"), s("PANEL CTRL DISPLAY"), 10},
        {s("HX-800"), s("HEATER CABINET"), 14},      {s("HX-820"), s("HEATER CABINET XL"), 8},
        {s("KL-100"), s("KIOSK TERMINAL"), 10},      {s("KL-150"), s("KIOSK TERMINAL OUTDR"), 8},
    };

    // Locations: index 0 is the pass code.
    c.locations = {
        {s("1"), s("PASS - NO DEFECT")}, {s("2"), s("FRONT")},     {s("3"), s("REAR")},
        {s("4"), s("LEFT SIDE")},        {s("5"), s("RIGHT SIDE")}, {s("6"), s("TOP")},
        {s("7"), s("BOTTOM")},           {s("8"), s("INTERIOR")},  {s("9"), s("CONTROL COMPARTMENT")},
        {s("10"), s("DOOR")},
    };

    c.parts = {
        {s("001"), s("PASS - NO DEFECT"), 0},     {s("101"), s("FRONT BEZEL"), 1},
        {s("102"), s("REAR COVER"), 2},           {s("103"), s("TOP COVER"), 5},
        {s("104"), s("SIDE PANEL LEFT"), 3},      {s("105"), s("SIDE PANEL RIGHT"), 4},
        {s("106"), s("BASE PLATE"), 6},           {s("107"), s("DOOR ASSEMBLY"), 9},
        {s("108"), s("DOOR HINGE"), 9},           {s("109"), s("CONTROL BOARD"), 8},
        {s("110"), s("POWER SUPPLY"), 7},         {s("111"), s("WIRE HARNESS"), 7},
        {s("112"), s("DISPLAY MODULE"), 1},       {s("113"), s("KEYPAD"), 1},
        {s("114"), s("FAN ASSEMBLY"), 2},         {s("115"), s("MOUNTING BRACKET"), 7},
        {s("116"), s("RATING PLATE LABEL"), 2},   {s("117"), s("SCREW M4 X 10"), -1},
        {s("118"), s("DOOR GASKET"), 9},          {s("119"), s("POWER CORD"), 2},
    };

    // A few defects dominate, as on any line: scratches and screws.
    c.defects = {
        {s("1"), s("PASS - NO DEFECT"), 0, false, {}},
        {s("SCR"), s("SCRATCH"), 26, true, {1, 2, 3, 4, 5, 7, 12}},
        {s("MSC"), s("MISSING SCREW"), 17, true, {17}},
        {s("LSC"), s("LOOSE SCREW"), 12, true, {17, 15, 8}},
        {s("PNT"), s("PAINT RUN"), 9, false, {1, 2, 3, 4, 5, 7}},
        {s("DNT"), s("DENT"), 7, true, {2, 3, 4, 5, 6, 7}},
        {s("MIS"), s("MISALIGNED PANEL"), 6, true, {1, 4, 5, 7, 12}},
        {s("LBL"), s("MISSING LABEL"), 5, true, {16}},
        {s("WIR"), s("PINCHED WIRE"), 4, false, {11, 19}},
        {s("SLD"), s("COLD SOLDER JOINT"), 3, false, {9, 10, 13}},
        {s("CRK"), s("CRACKED HOUSING"), 3, false, {1, 12, 13, 14}},
        {s("GAP"), s("GAP OUT OF TOLERANCE"), 3, false, {1, 3, 7, 18}},
        {s("CON"), s("CONTAMINATION"), 2, false, {9, 12, 18}},
        {s("BUR"), s("SHARP EDGE / BURR"), 2, false, {6, 15, 2}},
        {s("WRP"), s("WRONG PART INSTALLED"), 1, false, {14, 15, 17, 18}},
    };

    c.stations = {
        {s("ASM1"), s("ASSEMBLY LINE 1 IN-PROCESS"), 0.11},
        {s("ASM2"), s("ASSEMBLY LINE 2 IN-PROCESS"), 0.11},
        {s("PNT"), s("PAINT INSPECTION"), 0.13},
        {s("ELEC"), s("ELECTRICAL TEST"), 0.09},
        {s("FINAL"), s("FINAL INSPECTION"), 0.09},
    };
    c.finalStation = 4;
    c.inlineStations = {{{0, 0.45}, {3, 0.20}}, {{1, 0.45}, {2, 0.20}}};

    // Three inspectors and seven operators per facility; operator 1204 builds
    // the units that fail most often.
    c.employees = {
        {s("1101"), s("MARTA"), s("KOVAC"), 0, true, 1.0},
        {s("1102"), s("D"), s("OKONKWO"), 0, true, 1.0},
        {s("1103"), s("PRIYA"), s("RAMAN"), 0, true, 1.0},
        {s("2101"), s("JONAS"), s("BERGQVIST"), 1, true, 1.0},
        {s("2102"), s("L"), s("FERREIRA"), 1, true, 1.0},
        {s("2103"), s("ANNA"), s("LINDHOLM"), 1, true, 1.0},
        {s("1201"), s("TOMAS"), s("NOVAK"), 0, false, 1.0},
        {s("1202"), s("GRACE"), s("ADEYEMI"), 0, false, 0.8},
        {s("1203"), s("R"), s("CASTILLO"), 0, false, 1.0},
        {s("1204"), s("KEVIN"), s("DRUMMOND"), 0, false, 3.0},
        {s("1205"), s("MEI"), s("TANAKA"), 0, false, 1.0},
        {s("1206"), s("S"), s("HALVORSEN"), 0, false, 0.9},
        {s("1207"), s("OLGA"), s("PETRENKO"), 0, false, 1.1},
        {s("2201"), s("FARID"), s("HADDAD"), 1, false, 1.0},
        {s("2202"), s("J"), s("MCALLISTER"), 1, false, 1.2},
        {s("2203"), s("LUCIA"), s("MORENO"), 1, false, 1.0},
        {s("2204"), s("BEN"), s("ASHWORTH"), 1, false, 0.9},
        {s("2205"), s("NADIA"), s("VOLKOVA"), 1, false, 1.0},
        {s("2206"), s("P"), s("OYELARAN"), 1, false, 1.4},
        {s("2207"), s("HANS"), s("WEBER"), 1, false, 1.0},
    };

    c.notes = {
        s("Reworked at line, rechecked OK"),
        s("Supplier lot suspect - remaining stock on hold"),
        s("Screw found loose inside enclosure"),
        s("Operator retrained on torque specification"),
        s("Customer-visible surface\nSent to paint touch-up"),
        s("Second occurrence this week\nQuality engineering notified"),
        s("Torque driver out of calibration\nTool tagged and replaced"),
        s("Label printer jammed at start of shift"),
        s("Harness routed over standoff"),
        s("Damage probably from handling cart\nCart padding replaced"),
    };
    return c;
}

const PlantCatalogue& PlantCatalogue::instance() {
    static const PlantCatalogue catalogue = build();
    return catalogue;
}

}  // namespace DataGen
