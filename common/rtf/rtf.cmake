# The RTF layer of the core library (included from common/CMakeLists.txt).
target_sources(common PRIVATE
    rtf/codepage.cpp rtf/codepage.h
    rtf/controlwords.cpp rtf/controlwords.h
    rtf/documentsink.cpp rtf/documentsink.h
    rtf/reader.cpp rtf/reader.h
    rtf/rtf.cpp rtf/rtf.h
    rtf/sink.h
    rtf/tokenizer.cpp rtf/tokenizer.h
    rtf/writer.cpp rtf/writer.h
)
