# The RTF layer of the core library (included from common/CMakeLists.txt).
target_sources(common PRIVATE
    rtf/codepage.cpp rtf/codepage.h
    rtf/controlwords.cpp rtf/controlwords.h
    rtf/documentsink.cpp rtf/documentsink.h
    rtf/keptgroups.cpp rtf/keptgroups.h
    rtf/macpages.cpp rtf/macpages.h
    rtf/notes.cpp rtf/notes.h
    rtf/picture.cpp rtf/picture.h
    rtf/picturerender.cpp rtf/picturerender.h
    rtf/reader.cpp rtf/reader.h
    rtf/rtf.cpp rtf/rtf.h
    rtf/sink.h
    rtf/tokenizer.cpp rtf/tokenizer.h
    rtf/writer.cpp rtf/writer.h
)

# Metafile pictures: libwmf ships a pkg-config file, libemf2svg only its header and library.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBWMF REQUIRED IMPORTED_TARGET libwmf)
find_path(EMF2SVG_INCLUDE_DIR emf2svg.h REQUIRED)
find_library(EMF2SVG_LIBRARY emf2svg REQUIRED)
target_include_directories(common PRIVATE ${EMF2SVG_INCLUDE_DIR})
target_link_libraries(common PUBLIC Qt6::Svg PRIVATE PkgConfig::LIBWMF ${EMF2SVG_LIBRARY})
