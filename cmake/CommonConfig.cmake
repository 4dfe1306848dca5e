# Compile settings shared by every target of the project.
add_library(exam_settings INTERFACE)
target_compile_features(exam_settings INTERFACE cxx_std_20)
set_target_properties(exam_settings PROPERTIES INTERFACE_CXX_EXTENSIONS OFF)
target_compile_options(exam_settings INTERFACE
    $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic>)
target_compile_definitions(exam_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_DISABLE_DEPRECATED_UP_TO=0x060400)
