// make-demo-db SQLFILE DBFILE: builds an embedded database from a script of
// batches separated by GO lines. A failure leaves no file; an existing
// DBFILE is never overwritten.

#include "data/DemoDatabase.h"

#include <QString>

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: make-demo-db SQLFILE DBFILE\n";
        return 2;
    }
    try {
        varnett::data::buildDemoDatabase(QString::fromLocal8Bit(argv[1]),
                                         QString::fromLocal8Bit(argv[2]));
    } catch (const std::exception& e) {
        std::cerr << "make-demo-db: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
