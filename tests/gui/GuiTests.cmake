# GUI tests: GoogleTest programs with a QApplication on the offscreen platform, linking
# quillmere_gui. Add one with quillmere_gui_test(<Unit>Test); the source is tests/gui/<Unit>Test.cpp.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

add_library(quillmere_gui_test_main STATIC ${CMAKE_CURRENT_LIST_DIR}/GuiTestMain.cpp)
target_link_libraries(quillmere_gui_test_main PUBLIC GTest::gtest Qt6::Widgets quillmere_settings)

function(quillmere_gui_test name)
  add_executable(${name} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${name}.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}
                                             ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../support)
  target_link_libraries(${name} PRIVATE quillmere_gui quillmere_gui_test_main Qt6::Test
                                        GTest::gtest quillmere_settings)
  target_compile_definitions(${name} PRIVATE
    QUILLMERE_TEST_DATA="${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../data")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

quillmere_gui_test(CTreeCtrlTest)
quillmere_gui_test(CQuillmereDlgTest)
quillmere_gui_test(CPropertySheetTest)
quillmere_gui_test(ExportPrintTest)

# The layout at the three font resolutions people's screens have.
quillmere_gui_test(LayoutTest)
foreach(dpi 144 192)
  gtest_discover_tests(LayoutTest TEST_SUFFIX .${dpi}dpi DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300 ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_FONT_DPI=${dpi}")
endforeach()
quillmere_gui_test(SingleInstanceTest)
