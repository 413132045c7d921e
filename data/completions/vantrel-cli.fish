# fish completion for vantrel-cli: verbs, each verb's options and their words, and database
# files (.mdb, .accdb) where a file is expected.
set -l verbs info rows analyze table ole query relation repair help
complete -c vantrel-cli -f
complete -c vantrel-cli -n "not __fish_seen_subcommand_from $verbs" -a "$verbs"
complete -c vantrel-cli -n "not __fish_seen_subcommand_from $verbs" -s V -l version -d 'Print the version'
complete -c vantrel-cli -n "not __fish_seen_subcommand_from $verbs" -l help-all -d "Print every verb's help"
complete -c vantrel-cli -s h -l help -d 'Print the help'
complete -c vantrel-cli -n "__fish_seen_subcommand_from help" -a "$verbs"
set -l files info rows analyze table ole query relation repair
complete -c vantrel-cli -n "__fish_seen_subcommand_from $files" -a "(__fish_complete_suffix .mdb; __fish_complete_suffix .accdb)"
complete -c vantrel-cli -n "__fish_seen_subcommand_from $files" -s q -l quiet -d 'Print only what was asked for and the errors'
complete -c vantrel-cli -n "__fish_seen_subcommand_from $files" -s v -l verbose -d 'Also tell what was read and where things went'
complete -c vantrel-cli -n "__fish_seen_subcommand_from $files" -r -F -l password-file -d 'The password of encrypted .accdb files: the first line of FILE'
complete -c vantrel-cli -n "__fish_seen_subcommand_from info rows" -x -l tdef -d 'A table definition page'
complete -c vantrel-cli -n "__fish_seen_subcommand_from rows" -x -l table -d "The table's name"
complete -c vantrel-cli -n "__fish_seen_subcommand_from rows table" -x -l format -a 'tsv csv json' -d 'Output format'
complete -c vantrel-cli -n "__fish_seen_subcommand_from rows table" -x -l date-format -d 'Dates in this strftime form'
complete -c vantrel-cli -n "__fish_seen_subcommand_from rows table" -x -l binary -a 'hex base64 raw' -d 'Binary values as their bytes'
complete -c vantrel-cli -n "__fish_seen_subcommand_from rows table" -x -l limit -d 'Print at most N rows'
complete -c vantrel-cli -n "__fish_seen_subcommand_from analyze" -l json -d 'One JSON object a line'
complete -c vantrel-cli -n "__fish_seen_subcommand_from analyze" -l show-password -d 'With --json: the database password'
complete -c vantrel-cli -n "__fish_seen_subcommand_from ole" -x -l out -a '(__fish_complete_directories)' -d 'The folder to write them into'
complete -c vantrel-cli -n "__fish_seen_subcommand_from query" -l sql -d 'Only the SQL text'
complete -c vantrel-cli -n "__fish_seen_subcommand_from query" -l sqlite -d 'The SQLite view'
complete -c vantrel-cli -n "__fish_seen_subcommand_from query" -l postgresql -d 'The PostgreSQL view'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -x -l out -a '(__fish_complete_directories)' -d 'The folder to save into'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -x -l to -a 'postgresql://' -d 'A PostgreSQL server'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -l schema-per-file -d 'A schema for each file (the default)'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -l one-schema -d 'Every file into one schema for the run'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -l connect-timeout -x -d 'Seconds a server may take to answer'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -x -l overwrite -a 'ask yes no' -d 'An existing destination'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -l json -d 'The outcome as one line of JSON'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -x -l jobs -d 'Files saved at the same time'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -r -F -l files-from -d 'Also the files a list names'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -s 0 -l null -d 'The list\'s paths end with NUL'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -x -l shard -a 'auto' -d 'Only shard K of N of the files'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -r -F -l manifest -d 'Append a JSON line per file'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -r -F -l resume -d 'Pass over the files a manifest holds as done'
complete -c vantrel-cli -n "__fish_seen_subcommand_from repair" -x -l progress -a 'line json' -d 'Progress on standard error'
