#error the exact name exists
