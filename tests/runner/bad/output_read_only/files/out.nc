finished program
