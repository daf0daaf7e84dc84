// Writes examples/interchange.ifc: the bundled main line and ramp as one IFC 4.3 model.
//   qelt_write_interchange_ifc EXAMPLES_DIR > EXAMPLES_DIR/interchange.ifc
#include <cstdio>
#include <iostream>

#include "base/data_error.h"
#include "support/ifc_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: qelt_write_interchange_ifc EXAMPLES_DIR\n";
        return 64;
    }
    try {
        std::cout << qelt::testing::ifc_text(qelt::testing::bundled_interchange(argv[1]));
    } catch (const qelt::DataError& e) {
        std::cerr << e.file() << ":" << e.line() << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
