/* The library's identity, shared by the version resource (compiled by windres,
   hence plain C preprocessor text), the library record and the About box. */
#ifndef LIBINFO_IDENTITY_H
#define LIBINFO_IDENTITY_H

#define LIBINFO_COMPANY_NAME "Lantern Row Software"
#define LIBINFO_COPYRIGHT "Copyright (c) 2026 Lantern Row Software"
#define LIBINFO_FILE_NAME "libinfo.pdl"
#define LIBINFO_VERSION_TEXT "1.0.0"

#endif
