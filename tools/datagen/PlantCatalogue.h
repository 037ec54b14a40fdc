#pragma once
#include <vector>

#include <QString>

namespace DataGen {

// The plant behind the demo data: what it builds, its reference codes and its
// people, with the weights that shape the inspection results. Codes and names
// are upper-case, as the entry forms store them. The first entry of parts,
// defects and locations is the pass code.
struct Model {
    QString number, description;
    int weight;  // share of the production volume
};
struct Part {
    QString number, description;
    int location;  // index of its usual defect location, or -1 for anywhere
};
struct Defect {
    QString code, description;
    int weight;              // share among defects found (the Pareto)
    bool visibleEarly;       // could have been seen at an earlier station
    std::vector<int> parts;  // indexes of the parts it is found on
};
struct Location {
    QString code, description;
};
struct Station {
    QString id, description;
    double failRate;  // chance that a unit's first inspection there finds defects
};
struct Employee {
    QString number, firstName, lastName;
    int facility;      // 0 = A, 1 = B
    bool inspector;    // else an operator on the line
    double defectRisk; // operators: multiplies the fail rate of the units they build
};

struct PlantCatalogue {
    std::vector<Model> models;
    std::vector<Part> parts;
    std::vector<Defect> defects;
    std::vector<Location> locations;
    std::vector<Station> stations;
    std::vector<Employee> employees;
    std::vector<QString> notes;
    // In-line stations of each facility (indexes into stations) with their
    // chance of being on a unit's route; every unit ends at final inspection.
    std::vector<std::vector<std::pair<int, double>>> inlineStations;
    int finalStation = 0;

    static const PlantCatalogue& instance();
};

}  // namespace DataGen
