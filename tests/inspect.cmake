# kelvane-inspect: its verbs and formats on files the script writes, and the
# generated asset pack, which must pass `check` as the demo loads it and
# whose files `list` names.
if(TARGET kelvane-inspect)
  add_test(NAME inspect_verbs
    COMMAND bash ${PROJECT_SOURCE_DIR}/tools/inspect/inspect_test.sh $<TARGET_FILE:kelvane-inspect>)
  add_test(NAME inspect_check_pack COMMAND $<TARGET_FILE:kelvane-inspect> check ${KELVANE_DATA_DIR})
  # `list` names exactly the files the generator wrote.
  add_test(NAME inspect_list_pack
    COMMAND bash -c "diff <(\"$0\" list | cut -d' ' -f1 | sort) <(ls \"$1\" | sort)"
            $<TARGET_FILE:kelvane-inspect> ${KELVANE_DATA_DIR})
  set_tests_properties(inspect_verbs inspect_check_pack inspect_list_pack PROPERTIES TIMEOUT 120)
endif()
