-- South Plant: a 4-hour tank level and a daily chlorine residual that takes symbols.
-- Its lock date, 2 December 2026, refuses the answers of 1 December.
INSERT INTO logbook (id, name) VALUES (1, 'Shift log');
INSERT INTO settings (setting, curvalue) VALUES ('LockDate', '2026-12-02 00:00:00');
INSERT INTO vardesc (varid, varnum, name, vartype, units, decplaces, source_cnn_approval,
                     allowsymbol, limit_to_list, list, g2_interface_id, g2_enabled) VALUES
  (201, 2201, 'Tank level',        '4', 'm',    2, 0, 0,  0, NULL, 7, -1),
  (202, 2202, 'Chlorine residual', 'P', 'mg/l', 2, 0, -1, 0, NULL, 7, -1);
