// Prints the page count of a PDF file through the installed library.
#include <exception>
#include <iostream>

#include "pdf/document/kvPDFDoc.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: pagecount FILE.pdf\n";
    return 2;
  }
  try {
    kv::TkvPDFDocument document;
    document.LoadFromFile(argv[1]);
    std::cout << "Pages: " << document.PageCount() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "pagecount: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
