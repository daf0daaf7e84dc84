#include "input/landxml.h"

#include "base/data_error.h"

namespace qelt {

bool is_xml_file(const std::string&) {
    return false;
}

LandXmlFile::LandXmlFile(const std::string& path) : path_(path) {
    throw DataError("LandXML", path);
}

Alignment LandXmlFile::build(std::size_t) const {
    throw DataError("LandXML", path_);
}

}  // namespace qelt
