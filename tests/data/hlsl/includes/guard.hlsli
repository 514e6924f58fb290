#error wrong file: includes are relative to the including file
