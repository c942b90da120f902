-- Three days of rounds over four route points. A question's external id is the Krym
-- variable it feeds; point 30 is the operators' note point (external id 0).
INSERT INTO tbl_routes_points_questions (route_id, point_id, question_id, seqno, question, external_id, external_id_logbook) VALUES
  (1, 10, 1, 1, 'Discharge pressure (bar)', 101, 1),
  (1, 10, 2, 2, 'Bearing temperature (degC)', 102, 1),
  (1, 10, 3, 3, 'Oil level (LOW/OK/HIGH)', 103, 1),
  (1, 11, 4, 1, 'Turbidity (NTU)', 104, 1),
  (1, 20, 5, 1, 'Tank level (m)', 201, 1),
  (1, 20, 6, 2, 'Chlorine residual (mg/l)', 202, 1),
  (1, 30, 7, 1, 'Shift remarks', 0, 1);

INSERT INTO tbl_transaction_pda (id, route_id, point_id, trans_date, trans_time, point_desc, guard, notes,
                                 question_id1, answer1, question_id2, answer2, question_id3, answer3) VALUES
  (1001, 1, 10, '2026-12-01', '1899-12-30 08:15:00', 'Pump P-101', 'JSMITH', NULL,            1, '6.42', 2, '61.3', 3, 'OK'),
  (1002, 1, 11, '2026-12-01', '1899-12-30 08:20:00', 'Filter F-3', 'JSMITH', NULL,            4, '0.31', NULL, NULL, NULL, NULL),
  (1003, 1, 20, '2026-12-01', '1899-12-30 09:05:00', 'Tank T-7',   'JSMITH', 'Hatch seal worn', 5, '3.85', 6, '0.42', NULL, NULL),
  (1004, 1, 10, '2026-12-02', '1899-12-30 08:10:00', 'Pump P-101', 'AMILLER', NULL,           1, '6.51', 2, '63.0', 3, 'LOW'),
  (1005, 1, 11, '2026-12-02', '1899-12-30 08:25:00', 'Filter F-3', 'AMILLER', NULL,           4, '<0.25', NULL, NULL, NULL, NULL),
  (1006, 1, 20, '2026-12-02', '1899-12-30 14:40:00', 'Tank T-7',   'AMILLER', NULL,           5, '3.62', 6, 'ND', NULL, NULL),
  (1007, 1, 30, '2026-12-02', '1899-12-30 15:00:00', 'Control room', 'AMILLER', 'Oil topped up on P-101', NULL, NULL, NULL, NULL, NULL, NULL),
  (1008, 1, 10, '2026-12-03', '1899-12-30 08:05:00', 'Pump P-101', 'JSMITH', NULL,            1, '6.47', 2, '62.1', 3, 'OK'),
  (1009, 1, 11, '2026-12-03', '1899-12-30 08:30:00', 'Filter F-3', 'JSMITH', NULL,            4, '0.28', NULL, NULL, NULL, NULL),
  (1010, 1, 20, '2026-12-03', '1899-12-30 13:50:00', 'Tank T-7',   'JSMITH', NULL,            5, '3.40', 6, '0.38', NULL, NULL);
